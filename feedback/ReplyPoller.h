#pragma once

#include <QObject>

class Configuration;
class MainPanel;
class SerialPort;
struct ReplyChunk;

// The only reader of the rotor's serial port: each arrival is read whole, parsed by itself and
// shown in Label3, LblDelay, Text3 and the traffic box. A device that goes away is shown as
// "COM OFF" with a note in the traffic box; the program runs on.
class ReplyPoller : public QObject
{
    Q_OBJECT
public:
    ReplyPoller(MainPanel &panel, const Configuration &config, SerialPort &port,
                QObject *parent = nullptr);

    // The poll: reads what is waiting, if anything. Runs on every arrival of bytes.
    void Timer1_Timer();

private:
    void apply(const ReplyChunk &chunk);
    void portLost(const QString &reason);

    MainPanel &m_panel;
    const Configuration &m_config;
    SerialPort &m_port;
};
