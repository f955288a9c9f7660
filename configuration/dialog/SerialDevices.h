#pragma once

#include <QList>
#include <QString>

// A serial device present on this machine, as the device chooser offers it.
struct SerialDevice
{
    QString path;        // its /dev/serial/by-id name when it has one: it survives a re-plug
    QString description; // maker, product and serial number, and the kernel's name
};

// The serial devices present now (Qt's serial port info), by-id names first.
QList<SerialDevice> presentSerialDevices();
