#pragma once

#include "core/SerialPort.h"

class RotatorLibrary;
struct RotorProfile;

// The line to the rotor as the port steps, the drivers and the reply poller see it: the serial
// port for the design's families, the library's rotator for a library family. The profile in
// force decides at each call; the one left behind is closed, so the serial port stays closed
// while the library owns the device, and the other way round.
class RotorLine : public SerialPort
{
    Q_OBJECT
public:
    // library may be null: a library family then finds its line refusing to open.
    RotorLine(const RotorProfile &profile, SerialPort &serial, RotatorLibrary *library,
              QObject *parent = nullptr);

    RotatorLibrary *library() const { return m_library; }

    bool setCommPort(int port) override;
    bool setSettings(const QString &settings) override;
    bool setHandshaking(int mode) override;
    bool setInputLen(int length) override;
    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    int inBufferCount() const override;
    QString input() override;
    bool output(const QString &text) override;
    QString errorString() const override;

private:
    // Whether the profile in force is the library's.
    bool libraryInForce() const;
    // The line of the profile in force, the other one closed.
    SerialPort &current();

    const RotorProfile &m_profile;
    SerialPort &m_serial;
    RotatorLibrary *m_library;
    // A library family with no library to drive it: every step fails.
    bool m_refused = false;
};
