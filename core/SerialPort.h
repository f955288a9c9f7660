#pragma once

#include <QObject>
#include <QString>

// The rotor's serial port as the program uses it: eight properties, each reporting its failure.
// Characters map one to one onto bytes (U+0000 to U+00FF), both ways.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Port number; refused below 1 and while the port is open.
    virtual bool setCommPort(int port) = 0;
    // "9600,N,8,1", "4800, n,8,1": baud, parity letter, data bits, stop bits.
    virtual bool setSettings(const QString &settings) = 0;
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 RTS/CTS and XON/XOFF.
    virtual bool setHandshaking(int mode) = 0;
    // Only 0 (every read takes all waiting characters) is meaningful.
    virtual bool setInputLen(int length) = 0;

    virtual bool portOpen() const = 0;
    // Opening fails when the device is missing, held by another program or already open;
    // closing fails when the port is not open.
    virtual bool setPortOpen(bool open) = 0;

    // Characters waiting; 0 on a closed port, never fails.
    virtual int inBufferCount() const = 0;
    // All waiting characters, removed from the buffer.
    virtual QString input() = 0;
    // One write, one byte per character; fails when the port is not open.
    virtual bool output(const QString &text) = 0;

    // Why the last failing call failed.
    virtual QString errorString() const = 0;

signals:
    // Characters have arrived.
    void readyRead();
    // The device went away (adapter pulled, other side hung up); the port is closed already.
    void portLost(const QString &reason);
};
