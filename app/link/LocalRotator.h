#pragma once

#include "doors/DoorRotator.h"

#include <QList>
#include <QPointer>

class MainPanel;
class RotorControl;
class RotorState;

// The rotator as the front doors drive it inside the program, with no bus between: a set is what
// a logbook poke of Text1 does, a stop is the link's Stop, the position is the rotor's state and
// the info LblConfig's text. Sets and stops are applied at once, as the link applies a poke, and
// answered right after their first bytes (or before a message box they open waits).
class LocalRotator : public DoorRotator
{
    Q_OBJECT
public:
    LocalRotator(MainPanel &panel, RotorControl &rotor, const RotorState &state,
                 QObject *parent = nullptr);

    void setAzimuth(int azimuth, QObject *context, Done done) override;
    void stop(QObject *context, Done done) override;
    void position(QObject *context, PositionAnswer answer) override;
    void info(QObject *context, InfoAnswer answer) override;
    void reach(QObject *context, Done done) override;

private:
    void apply(const std::function<void()> &change, QObject *context, const Done &done);
    void answerHeld();

    MainPanel &m_panel;
    RotorControl &m_rotor;
    const RotorState &m_state;
    QList<std::pair<QPointer<QObject>, Done>> m_held;
    int m_reported = -1;
};
