#pragma once

#include "rotor/DriveStep.h"

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

// Takes commands from the logbook (Text1) and the operator (Text3, GO, STOP), picks the driver of
// the model in force and runs one drive at a time on the event loop; a command that arrives
// during a drive waits, and only the newest waiting one is kept.
class RotorControl : public QObject
{
    Q_OBJECT
public:
    RotorControl(MainPanel &panel, Configuration &configuration, SerialPort &port,
                 MessageBoxes &boxes, Beeper &beeper, Pauser &pauser, RotorHost &host,
                 QObject *parent = nullptr);

    QString TargetAzimuth() const { return m_targetAzimuth; }
    int StopRequest() const { return m_stopRequest; }
    bool driving() const { return m_driving; }

public slots:
    // Every setting of Text1, the program's own "OK" included.
    void Text1_Change();
    // ENTER (13) in the manual box; other keys are the box's own.
    void Text3_KeyPress(int key);
    void MnuGO_Click();
    void MnuStop_Click();
    void RotorCommand();
    // The window closes: the running drive ends here and nothing more is written.
    void abandon();

private:
    void dispatch(const QString &command);
    void start(std::optional<Drive> drive);
    void runFrom(int index, quint64 generation);
    void endDrive();
    void inform(const QString &text, const QString &title);

    MainPanel &m_panel;
    Configuration &m_configuration;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;
    Pauser &m_pauser;
    RotorHost &m_host;

    QString m_targetAzimuth;
    int m_stopRequest = 0;

    Drive m_drive;
    bool m_driving = false;
    // Bumped whenever a drive starts or is abandoned: a step list that finds it changed stops.
    quint64 m_generation = 0;
    bool m_acknowledging = false;
    bool m_messageOpen = false;
    std::optional<QString> m_waiting;
};
