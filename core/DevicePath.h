#pragma once

#include <QString>

// Which device a port number opens: the symbolic link config/comN when there is one (so
// config/com3 can point at /dev/ttyUSB0 or /dev/serial/by-id/...), else /dev/ttyS<N-1>.
struct DevicePath
{
    QString path;        // empty for a port number below 1
    bool linked = false; // true when config/comN decided it

    static DevicePath forPort(const QString &configDir, int port);
    // "config/com3 -> /dev/ttyUSB0" or "/dev/ttyS2", for the operator.
    static QString describe(const QString &configDir, int port);
};
