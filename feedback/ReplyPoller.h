#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class MainPanel;
class RotatorLibrary;
class RotorState;
class SerialPort;
struct ReplyChunk;
struct RotorProfile;

// The only reader of the rotor's position. For the design's families it reads the serial line
// at each arrival, parses each read by itself and shows it in Label3, LblDelay, Text3 and the
// traffic box; for a library family it asks the library about once a second, four times a
// second while the rotor turns, and shows the answers alike. Either way it keeps the rotor's
// state current. A device that goes away is shown as "COM OFF" with a note in the traffic box;
// the program runs on.
class ReplyPoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIdlePollMs = 1000;
    static constexpr int kTurningPollMs = 250;
    // A library rotor whose reads have not changed for this long holds still.
    static constexpr int kStillAfterMs = 1000;
    // How long after a drive is sent its rotor is watched closely before it has moved.
    static constexpr int kStartWithinMs = 3000;
    // Library failures reach the traffic box at most once in this time.
    static constexpr int kFailureLineMs = 1000;

    // profile: the profile in force, whose model decides how the position is read.
    ReplyPoller(MainPanel &panel, const RotorProfile &profile, SerialPort &port, RotorState &state,
                RotatorLibrary *library = nullptr, QObject *parent = nullptr);

    // The poll: reads what is waiting, if anything. Runs on every arrival of bytes.
    void Timer1_Timer();
    // The profile in force was put on the line again: a family that never reports has no
    // reported azimuth, and a library family's reads start or stop.
    void profileApplied();

private:
    void apply(const ReplyChunk &chunk);
    void showStatus(bool busy);
    void portLost(const QString &reason);
    bool libraryInForce() const;
    void schedulePoll();
    void positionRead(bool ok, double azimuth);
    void libraryFailed(const QString &what, const QString &why);

    MainPanel &m_panel;
    const RotorProfile &m_profile;
    SerialPort &m_port;
    RotorState &m_state;
    RotatorLibrary *m_library;

    QTimer m_pollTimer;
    int m_lastRead = -1; // the library's last azimuth, whole degrees
    int m_lastCommanded = -1;
    QElapsedTimer m_sinceCommand;
    // Since the library's azimuth last changed.
    QElapsedTimer m_sinceChange;
    QElapsedTimer m_sinceFailureLine;
};
