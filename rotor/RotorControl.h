#pragma once

#include "rotor/Drivers.h"

#include <QObject>
#include <QString>

#include <optional>

class Beeper;
class Configuration;
class MainPanel;
class MessageBoxes;
class Pauser;
class RotorHost;
class SerialPort;

// The way in for every command (the link's Text1, the manual box, STOP), the dispatcher that
// picks the driver of the model in force, and the one drive that runs at a time.
class RotorControl : public QObject
{
    Q_OBJECT
public:
    RotorControl(MainPanel &panel, Configuration &config, SerialPort &port, MessageBoxes &boxes,
                 Beeper &beeper, Pauser &pauser, RotorHost &host, QObject *parent = nullptr);

    // Every setting of Text1, the program's own "OK" included.
    void Text1_Change();
    // ENTER (13) in the manual box.
    void Text3_KeyPress(int key);
    void MnuGO_Click();
    void MnuStop_Click();
    void RotorCommand();
    // Closing: the running drive ends, nothing more is written.
    void abandon();

    QString TargetAzimuth() const { return m_targetAzimuth; }
    int StopRequest() const { return m_stopRequest; }
    bool driving() const { return m_driving; }

private:
    void submit(const QString &command);
    void drive(DriveSteps steps, const QString &failure);
    void next(quint64 generation);
    void finish();
    int correctedDelay();

    MainPanel &m_panel;
    Configuration &m_config;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;
    Pauser &m_pauser;
    RotorHost &m_host;

    QString m_targetAzimuth;
    int m_stopRequest = 0;

    DriveSteps m_steps;
    qsizetype m_next = 0;
    QString m_failure;
    bool m_driving = false;
    bool m_acknowledging = false;
    quint64 m_generation = 0;
    // The newest command that arrived during a drive.
    std::optional<QString> m_waiting;
};
