#pragma once

#include <QObject>

class MainPanel;
class SerialPort;
struct ReplyChunk;
struct RotorProfile;

// The only reader of the rotor's serial port: each arrival is read whole, parsed by itself and
// shown in Label3, LblDelay, Text3 and the traffic box. A device that goes away is shown as
// "COM OFF" with a note in the traffic box; the program runs on.
class ReplyPoller : public QObject
{
    Q_OBJECT
public:
    // profile: the profile in force, whose model decides how replies are read.
    ReplyPoller(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                QObject *parent = nullptr);

    // The poll: reads what is waiting, if anything. Runs on every arrival of bytes.
    void Timer1_Timer();

    // The azimuth the controller last reported, 0 to 359; -1 when the family in force never
    // reports, none came yet or the last report lay outside that range.
    int reportedAzimuth() const;

private:
    void apply(const ReplyChunk &chunk);
    void portLost(const QString &reason);

    MainPanel &m_panel;
    const RotorProfile &m_profile;
    SerialPort &m_port;
    int m_reported = -1;
};
