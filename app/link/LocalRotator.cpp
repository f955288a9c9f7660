#include "app/link/LocalRotator.h"

#include "core/MainPanel.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"

#include <QAbstractEventDispatcher>

LocalRotator::LocalRotator(MainPanel &panel, RotorControl &rotor, const RotorState &state,
                           QObject *parent)
    : DoorRotator(parent), m_panel(panel), m_rotor(rotor), m_state(state),
      m_reported(state.reported())
{
    connect(&m_rotor, &RotorControl::stopSent, this, &DoorRotator::stopped);
    connect(&m_state, &RotorState::changed, this, [this](const RotorState::Value &value) {
        if (value.reported == std::exchange(m_reported, value.reported))
            return;
        emit reportedChanged(value.reported);
    });
    // A message box the change opened is about to wait: the doors' clients hear now.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &LocalRotator::answerHeld);
}

void LocalRotator::setAzimuth(int azimuth, QObject *context, Done done)
{
    apply([this, azimuth] { m_panel.setText(MainPanel::Item::Text1, QString::number(azimuth)); },
          context, done);
}

void LocalRotator::stop(QObject *context, Done done)
{
    // No message box for a family without a stop: nobody at the window asked for it.
    if (!m_rotor.canStop())
        return done(DoorStatus::kNotAvailable);
    apply([this] { m_rotor.MnuStop_Click(); }, context, done);
}

void LocalRotator::position(QObject *, PositionAnswer answer)
{
    answer({DoorStatus::kOk, m_state.reported(), m_state.commanded()});
}

void LocalRotator::info(QObject *, InfoAnswer answer)
{
    answer({DoorStatus::kOk, m_panel.text(MainPanel::Item::LblConfig)});
}

void LocalRotator::reach(QObject *, Done done)
{
    done(DoorStatus::kOk);
}

void LocalRotator::apply(const std::function<void()> &change, QObject *context, const Done &done)
{
    // Answered right after the first bytes, and the changes announced after that, as a poke is.
    const MainPanel::Hold hold(m_panel);
    m_held.append({QPointer<QObject>(context), done});
    change();
    answerHeld();
}

void LocalRotator::answerHeld()
{
    for (const auto &[asker, done] : std::exchange(m_held, {})) {
        if (asker)
            done(m_rotor.canSend() ? DoorStatus::kOk : DoorStatus::kIoError);
    }
}
