#pragma once

#include "rotor/DriveStep.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Beeper;
class MainPanel;
class MessageBoxes;
class Pauser;
class RotatorLibrary;
class RotorState;
class SerialPort;
struct RotorProfile;

// Takes commands from the logbook (Text1) and the operator (Text3, GO, STOP), picks the driver of
// the model in force and runs one drive at a time on the event loop. A command the family would
// send that arrives during a drive or a dispatcher message waits; only the newest waiting one is
// kept.
class RotorControl : public QObject
{
    Q_OBJECT
public:
    // profile: the profile in force, read at every command (the drivers correct its delay).
    // state: where each drive's azimuth is recorded. library: what drives a library family's
    // rotator (none: such a family's drives fail).
    RotorControl(MainPanel &panel, RotorProfile &profile, SerialPort &port, MessageBoxes &boxes,
                 Beeper &beeper, Pauser &pauser, RotorState &state,
                 RotatorLibrary *library = nullptr, QObject *parent = nullptr);
    // A pause still waiting must not come back to a control that is gone.
    ~RotorControl() override;

    // Where the external-model message reads the dialog's model box; without it, the profile's
    // model.
    void setModelBoxReader(std::function<QString()> read) { m_modelBox = std::move(read); }

    // Whether the family in force has a stop of its own (not just a message).
    bool canStop() const;
    // Whether a command reaches the rotor now: its line is open, or the model is DEMO, which
    // drives nothing by design.
    bool canSend() const;

public slots:
    // Every setting of Text1, the program's own "OK" included.
    void Text1_Change();
    // ENTER (13) in the manual box; other keys are the box's own.
    void Text3_KeyPress(int key);
    void MnuGO_Click();
    // An azimuth chosen by the operator elsewhere (the map): the road of MANUAL and ENTER,
    // without touching the manual box.
    void manualAzimuth(const QString &text);
    void MnuStop_Click();
    // The running drive ends here and nothing more is written.
    void abandon();
    // The program closes: a stop already under way is finished at once (the rest of its frame,
    // without its pauses), then the drive is abandoned.
    void closing();

signals:
    // "QUIT": the program's normal close.
    void quitRequested();
    // "ACK", before it is dispatched: the banner re-arms and the window refreshes.
    void ackReceived();
    // STOP went to the family's own stop, from whatever road.
    void stopSent();

private:
    void dispatch(const QString &command);
    void RotorCommand();
    bool familyWouldSend(const QString &command) const;
    void start(std::optional<Drive> drive, bool stop);
    void runFrom(int index, quint64 generation);
    // A library step: the drive goes on from the next step once the library has answered.
    void runLibraryStep(const DriveStep &step, int index, quint64 generation);
    void endDrive();
    // The command that waited for a drive or a message, once neither holds it back.
    void runWaitingWhenFree();
    void inform(const QString &text, const QString &title);

    MainPanel &m_panel;
    RotorProfile &m_profile;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;
    Pauser &m_pauser;
    RotorState &m_state;
    RotatorLibrary *m_library;
    std::function<QString()> m_modelBox;

    QString m_targetAzimuth;
    int m_stopRequest = 0;

    Drive m_drive;
    bool m_driving = false;
    bool m_stopDrive = false;
    int m_resumeAt = 0; // the step a waiting pause goes on from
    // Bumped whenever a drive starts or is abandoned: a step list that finds it changed stops.
    quint64 m_generation = 0;
    bool m_acknowledging = false;
    bool m_messageOpen = false;
    std::optional<QString> m_waiting;
};
