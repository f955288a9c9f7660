#include "rotor/RotorControl.h"

#include "core/Beeper.h"
#include "core/MainPanel.h"
#include "core/MessageBoxes.h"
#include "core/Pauser.h"
#include "core/RotatorLibrary.h"
#include "core/RotorProfile.h"
#include "core/SerialPort.h"
#include "core/Version.h"
#include "rotor/RotorFamily.h"
#include "rotor/RotorState.h"

namespace {
const QString kQuit = QStringLiteral("QUIT");
const QString kAck = QStringLiteral("ACK");
const QString kOk = QStringLiteral("OK");
constexpr int kEnter = 13;
constexpr int kMaxAzimuth = 359;
} // namespace

RotorControl::RotorControl(MainPanel &panel, RotorProfile &profile, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, Pauser &pauser, RotorState &state,
                           RotatorLibrary *library, QObject *parent)
    : QObject(parent), m_panel(panel), m_profile(profile), m_port(port), m_boxes(boxes),
      m_beeper(beeper), m_pauser(pauser), m_state(state), m_library(library)
{}

RotorControl::~RotorControl()
{
    m_pauser.cancel();
}

bool RotorControl::canStop() const
{
    return RotorFamily::stopFor(m_profile.RotorModel) == RotorFamily::Stop::Driver;
}

bool RotorControl::canSend() const
{
    return m_profile.isDemo() || m_port.portOpen();
}

void RotorControl::Text1_Change()
{
    const QString text = m_panel.text(MainPanel::Item::Text1);
    if (text == kQuit) {
        closing();
        emit quitRequested();
        return;
    }
    if (text == kAck) {
        m_panel.setBackground(MainPanel::Item::Text2, MainPanel::kLightRed);
        emit ackReceived();
    } else {
        m_panel.setBackground(MainPanel::Item::Text2, MainPanel::kLightGreen);
    }
    dispatch(text);
}

void RotorControl::Text3_KeyPress(int key)
{
    if (key != kEnter)
        return;
    manualAzimuth(m_panel.text(MainPanel::Item::Text3));
    m_panel.setText(MainPanel::Item::Text3, QString());
}

void RotorControl::manualAzimuth(const QString &text)
{
    QString command = text;
    QStringView trimmed{command};
    while (trimmed.startsWith(QLatin1Char(' ')))
        trimmed = trimmed.sliced(1);
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    if (trimmed == QLatin1String("360"))
        command = QStringLiteral("0");
    dispatch(command);
}

void RotorControl::MnuGO_Click()
{
    dispatch(m_panel.text(MainPanel::Item::Text3));
}

void RotorControl::MnuStop_Click()
{
    // A stop ends the running drive at once and drops what was waiting; its bytes go out before
    // the link announces what it changed.
    const MainPanel::Hold hold(m_panel);
    const bool wasDriving = m_driving;
    abandon();
    if (wasDriving)
        m_panel.setBackground(MainPanel::Item::LblDelay, MainPanel::kLightGreen);
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    if (family && !family->stopCode.isEmpty())
        m_targetAzimuth = family->stopCode;
    m_stopRequest = 1;
    RotorCommand();
    m_stopRequest = 0;
    if (canStop())
        emit stopSent();
    runWaitingWhenFree();
}

void RotorControl::dispatch(const QString &command)
{
    // The driver's own "OK" goes through at once. During a drive or a dispatcher message, a
    // command the family would send waits; anything else sends nothing and may pass.
    const bool busy = (m_driving && !m_acknowledging) || m_messageOpen;
    // The drive's first bytes go out before the link announces what it changed.
    const MainPanel::Hold hold(m_panel);
    if (busy && familyWouldSend(command)) {
        m_waiting = command;
        return;
    }
    m_targetAzimuth = command;
    RotorCommand();
    runWaitingWhenFree();
}

bool RotorControl::familyWouldSend(const QString &command) const
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    if (!family || !family->drive)
        return false;
    qint16 delay = m_profile.RotorDelay; // a probe: the real dispatch corrects the profile
    return family->drive(command, false, delay).has_value();
}

void RotorControl::RotorCommand()
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    if (!family)
        return;
    // The acknowledgement is never a stop, whatever the moment it passes.
    const bool stop = m_stopRequest == 1 && !m_acknowledging;
    if (family->servedByLogbook) {
        inform(QStringLiteral("This rotor model like [") +
                   (m_modelBox ? m_modelBox() : m_profile.RotorModel) +
                   QStringLiteral("] is directly implemented on SORVIK"),
               kAppTitle);
        return;
    }
    if (stop && RotorFamily::stopFor(m_profile.RotorModel) == RotorFamily::Stop::Message) {
        inform(QStringLiteral("PLEASE SEND all info for to make the STOP COMMAND for this ROTOR"),
               QStringLiteral("SORVIK ROTOR CONTROL"));
        return;
    }
    if (family->drive)
        start(family->drive(m_targetAzimuth, stop, m_profile.RotorDelay), stop);
}

void RotorControl::inform(const QString &text, const QString &title)
{
    // The box runs a nested event loop: pokes arriving meanwhile are served, but never stack a
    // second box on the first; a command that would send waits for the box to close.
    if (m_messageOpen)
        return;
    m_messageOpen = true;
    m_boxes.show(MessageBoxes::Icon::Information, text, title);
    m_messageOpen = false;
}

void RotorControl::start(std::optional<Drive> drive, bool stop)
{
    if (!drive)
        return;
    if (m_driving) {
        // Only reachable from the acknowledgement; never run two drives at once.
        return;
    }
    m_drive = std::move(*drive);
    m_stopDrive = stop;
    // The drivers pad the command in place.
    if (!m_drive.azimuth.isEmpty()) {
        m_targetAzimuth = m_drive.azimuth;
        if (const int azimuth = m_drive.azimuth.toInt(); azimuth <= kMaxAzimuth)
            m_state.setCommanded(azimuth);
    }
    m_driving = true;
    runFrom(0, ++m_generation);
}

void RotorControl::runFrom(int index, quint64 generation)
{
    const QList<DriveStep> steps = m_drive.steps;
    for (int i = index; i < steps.size(); ++i) {
        if (generation != m_generation)
            return;
        const DriveStep &step = steps[i];
        switch (step.kind) {
        case DriveStep::Kind::Write:
            if (!m_port.output(step.text)) {
                const QString why = m_port.errorString();
                m_panel.appendNote(m_drive.failureText +
                                   (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
                endDrive();
                return;
            }
            break;
        case DriveStep::Kind::Pause:
            m_resumeAt = i + 1;
            m_pauser.after(step.ms, [this, i, generation] { runFrom(i + 1, generation); });
            return;
        case DriveStep::Kind::Light:
            m_panel.setBackground(MainPanel::Item::LblDelay, step.colour);
            break;
        case DriveStep::Kind::Gradi:
            m_panel.setText(MainPanel::Item::LblGradi, step.text);
            break;
        case DriveStep::Kind::Beep:
            m_beeper.beep();
            break;
        case DriveStep::Kind::Acknowledge:
            m_acknowledging = true;
            m_panel.setText(MainPanel::Item::Text1, kOk);
            m_acknowledging = false;
            break;
        case DriveStep::Kind::Caption:
            m_panel.updateCaption();
            break;
        case DriveStep::Kind::LibrarySet:
        case DriveStep::Kind::LibraryStop:
            runLibraryStep(step, i, generation);
            return;
        }
    }
    if (generation == m_generation)
        endDrive();
}

void RotorControl::runLibraryStep(const DriveStep &step, int index, quint64 generation)
{
    // The library tells the traffic box itself what failed; a failure ends the drive as a
    // refused write does.
    const RotatorLibrary::Done next = [this, index, generation](bool ok) {
        if (generation != m_generation)
            return;
        if (ok)
            runFrom(index + 1, generation);
        else
            endDrive();
    };
    if (!m_library) {
        m_panel.appendNote(QStringLiteral("HAMLIB: no rotator library in this program"));
        endDrive();
        return;
    }
    if (step.kind == DriveStep::Kind::LibrarySet)
        m_library->setPosition(step.text.toInt(), next);
    else
        m_library->stop(next);
}

void RotorControl::endDrive()
{
    m_driving = false;
    runWaitingWhenFree();
}

void RotorControl::runWaitingWhenFree()
{
    if (m_driving || m_messageOpen || m_stopRequest != 0)
        return;
    if (std::optional<QString> next = std::exchange(m_waiting, std::nullopt))
        dispatch(*next);
}

void RotorControl::closing()
{
    // A controller left with half a stop frame might never stop.
    if (m_driving && m_stopDrive) {
        const QList<DriveStep> steps = m_drive.steps;
        for (int i = m_resumeAt; i < steps.size(); ++i) {
            if (steps[i].kind == DriveStep::Kind::Write && !m_port.output(steps[i].text))
                break;
        }
    }
    abandon();
}

void RotorControl::abandon()
{
    m_pauser.cancel();
    m_driving = false;
    m_waiting.reset();
    ++m_generation;
}
