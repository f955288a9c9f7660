#include "rotor/RotorControl.h"

#include "app/Beeper.h"
#include "app/MainPanel.h"
#include "app/MessageBoxes.h"
#include "app/SerialPort.h"
#include "app/Version.h"
#include "configuration/Configuration.h"
#include "rotor/Pauser.h"
#include "rotor/RotorDrivers.h"
#include "rotor/RotorHost.h"

namespace {
const QString kQuit = QStringLiteral("QUIT");
const QString kAck = QStringLiteral("ACK");
const QString kOk = QStringLiteral("OK");
constexpr int kEnter = 13;

enum class Family { ProsistelBC, ProsistelD, RotorEz, HyGain, Demo, External, None };

// Upper-cased, never trimmed: " DEMO" and "DCU-1 " match nothing.
Family familyOf(const QString &model)
{
    const QString m = model.toUpper();
    if (m == QLatin1String("PROSISTEL B/C") || m == QLatin1String("BIG-BOY B/C"))
        return Family::ProsistelBC;
    if (m == QLatin1String("PROSISTEL D") || m == QLatin1String("BIG-BOY D"))
        return Family::ProsistelD;
    if (m == QLatin1String("ROTOR-EZ") || m == QLatin1String("DCU-1"))
        return Family::RotorEz;
    if (m == QLatin1String("HY-GAIN"))
        return Family::HyGain;
    if (m == QLatin1String("DEMO"))
        return Family::Demo;
    if (m == QLatin1String("ARSWIN") || m == QLatin1String("SARTEK") || m == QLatin1String("IF100"))
        return Family::External;
    return Family::None;
}
} // namespace

RotorControl::RotorControl(MainPanel &panel, Configuration &configuration, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, Pauser &pauser, RotorHost &host,
                           QObject *parent)
    : QObject(parent), m_panel(panel), m_configuration(configuration), m_port(port), m_boxes(boxes),
      m_beeper(beeper), m_pauser(pauser), m_host(host)
{}

void RotorControl::Text1_Change()
{
    const QString text = m_panel.text(MainPanel::Item::Text1);
    if (text == kQuit) {
        abandon();
        m_host.closeProgram();
        return;
    }
    if (text == kAck) {
        m_panel.setBackground(MainPanel::Item::Text2, MainPanel::kLightRed);
        m_host.rearmBanner();
        m_host.Rigenera();
    } else {
        m_panel.setBackground(MainPanel::Item::Text2, MainPanel::kLightGreen);
    }
    dispatch(text);
}

void RotorControl::Text3_KeyPress(int key)
{
    if (key != kEnter)
        return;
    QString command = m_panel.text(MainPanel::Item::Text3);
    QStringView trimmed{command};
    while (trimmed.startsWith(QLatin1Char(' ')))
        trimmed = trimmed.sliced(1);
    while (trimmed.endsWith(QLatin1Char(' ')))
        trimmed.chop(1);
    if (trimmed == QLatin1String("360"))
        command = QStringLiteral("0");
    dispatch(command);
    m_panel.setText(MainPanel::Item::Text3, QString());
}

void RotorControl::MnuGO_Click()
{
    dispatch(m_panel.text(MainPanel::Item::Text3));
}

void RotorControl::MnuStop_Click()
{
    // A stop ends the running drive at once and drops what was waiting.
    const bool wasDriving = m_driving;
    abandon();
    if (wasDriving)
        m_panel.setBackground(MainPanel::Item::LblDelay, MainPanel::kLightGreen);
    if (familyOf(m_configuration.activeProfile().RotorModel) == Family::ProsistelD)
        m_targetAzimuth = QStringLiteral("977");
    m_stopRequest = 1;
    RotorCommand();
    m_stopRequest = 0;
}

void RotorControl::dispatch(const QString &command)
{
    // The driver's own "OK" goes through at once; anything else waits for the drive to end.
    if (m_driving && !m_acknowledging) {
        m_waiting = command;
        return;
    }
    m_targetAzimuth = command;
    RotorCommand();
}

void RotorControl::RotorCommand()
{
    RotorProfile &profile = m_configuration.activeProfile();
    // The acknowledgement is never a stop, whatever the moment it passes.
    const bool stop = m_stopRequest == 1 && !m_acknowledging;
    switch (familyOf(profile.RotorModel)) {
    case Family::ProsistelBC:
        start(RotorDrivers::prosistelBC(m_targetAzimuth, stop, profile.RotorDelay));
        break;
    case Family::ProsistelD:
        start(RotorDrivers::prosistelD(m_targetAzimuth, stop, profile.RotorDelay));
        break;
    case Family::RotorEz:
        if (stop)
            inform(
                QStringLiteral("PLEASE SEND all info for to make the STOP COMMAND for this ROTOR"),
                QStringLiteral("SORVIK ROTOR CONTROL"));
        else
            start(RotorDrivers::rotorEzDcu1(m_targetAzimuth, profile.RotorDelay));
        break;
    case Family::HyGain:
        if (stop)
            inform(
                QStringLiteral("PLEASE SEND all info for to make the STOP COMMAND for this ROTOR"),
                QStringLiteral("SORVIK ROTOR CONTROL"));
        else
            start(RotorDrivers::hyGain(m_targetAzimuth, profile.RotorDelay));
        break;
    case Family::External:
        inform(QStringLiteral("This rotor model like [") + m_host.dialogModelText() +
                   QStringLiteral("] is directly implemented on SORVIK"),
               kAppTitle);
        break;
    case Family::Demo:
    case Family::None:
        break;
    }
}

void RotorControl::inform(const QString &text, const QString &title)
{
    // The box runs a nested event loop: pokes arriving meanwhile are served, but never stack a
    // second box on the first.
    if (m_messageOpen)
        return;
    m_messageOpen = true;
    m_boxes.show(MessageBoxes::Icon::Information, text, title);
    m_messageOpen = false;
}

void RotorControl::start(std::optional<Drive> drive)
{
    if (!drive)
        return;
    if (m_driving) {
        // Only reachable from the acknowledgement; never run two drives at once.
        return;
    }
    m_drive = std::move(*drive);
    // The drivers pad the command in place.
    if (!m_drive.azimuth.isEmpty())
        m_targetAzimuth = m_drive.azimuth;
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
                m_panel.appendTBox(QStringLiteral("\r\n") + m_drive.failureText +
                                   (why.isEmpty() ? QString() : QStringLiteral(": ") + why) +
                                   QStringLiteral("\r\n"));
                endDrive();
                return;
            }
            break;
        case DriveStep::Kind::Pause:
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
        }
    }
    if (generation == m_generation)
        endDrive();
}

void RotorControl::endDrive()
{
    m_driving = false;
    if (std::optional<QString> next = std::exchange(m_waiting, std::nullopt))
        dispatch(*next);
}

void RotorControl::abandon()
{
    m_pauser.cancel();
    m_driving = false;
    m_waiting.reset();
    ++m_generation;
}
