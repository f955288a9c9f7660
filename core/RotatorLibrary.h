#pragma once

#include "core/SerialPort.h"

#include <QString>

#include <functional>

// A rotator that a library drives for us (libhamlib): set up, opened and closed like the serial
// port, so the port steps treat both alike, but commanded by azimuth instead of bytes. Its calls
// can take seconds, so none waits: each is answered later on the caller's thread. A failure is
// told once through failed(), or through portLost() when the device has gone (the rotator is
// closed then).
class RotatorLibrary : public SerialPort
{
    Q_OBJECT
public:
    using SerialPort::SerialPort;
    // true: the library took the command.
    using Done = std::function<void(bool ok)>;

    // The library's model number, used from the next opening on.
    virtual void setModel(int model) = 0;
    // Each is answered once through `done`, also when the rotator is closed meanwhile.
    virtual void setPosition(int azimuth, Done done) = 0;
    virtual void stop(Done done) = 0;
    // Answered by positionRead(); a read still under way absorbs a second request.
    virtual void readPosition() = 0;
    // Answered by infoRead() or failed().
    virtual void readInfo() = 0;

signals:
    // ok false: the read failed (failed() has said why).
    void positionRead(bool ok, double azimuth);
    void infoRead(const QString &info);
    // What was asked ("set position 45") and the library's own words for what went wrong.
    void failed(const QString &what, const QString &why);
    void openChanged(bool open);
};
