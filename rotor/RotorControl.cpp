#include "rotor/RotorControl.h"

#include "app/Beeper.h"
#include "app/MainPanel.h"
#include "app/MessageBoxes.h"
#include "app/SerialPort.h"
#include "app/Version.h"
#include "configuration/Configuration.h"
#include "rotor/Pauser.h"
#include "rotor/RotorHost.h"

#include <QTimer>

using Item = MainPanel::Item;
using Kind = DriveStep::Kind;

namespace {
enum class Family { ProsistelBC, ProsistelD, RotorEz, HyGain, External, None };

Family familyOf(const QString &model)
{
    const QString name = model.toUpper();
    if (name == u"PROSISTEL B/C" || name == u"BIG-BOY B/C")
        return Family::ProsistelBC;
    if (name == u"PROSISTEL D" || name == u"BIG-BOY D")
        return Family::ProsistelD;
    if (name == u"ROTOR-EZ" || name == u"DCU-1")
        return Family::RotorEz;
    if (name == u"HY-GAIN")
        return Family::HyGain;
    if (name == u"ARSWIN" || name == u"SARTEK" || name == u"IF100")
        return Family::External;
    return Family::None;
}

QString failureText(const char *driver)
{
    return QString::fromLatin1(driver) + QStringLiteral(" CMD ROTOR ERROR ") + kVersion;
}
} // namespace

void TimerPauser::after(int ms, std::function<void()> then)
{
    QTimer::singleShot(ms, m_context, std::move(then));
}

RotorControl::RotorControl(MainPanel &panel, Configuration &config, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, Pauser &pauser, RotorHost &host,
                           QObject *parent)
    : QObject(parent), m_panel(panel), m_config(config), m_port(port), m_boxes(boxes),
      m_beeper(beeper), m_pauser(pauser), m_host(host)
{
}

void RotorControl::Text1_Change()
{
    const QString text = m_panel.text(Item::Text1);
    if (text == u"QUIT")
        return m_host.closeProgram();
    if (text == u"ACK") {
        m_panel.setBackground(Item::Text2, MainPanel::kLightRed);
        m_host.rearmBanner();
        m_host.Rigenera();
    } else {
        m_panel.setBackground(Item::Text2, MainPanel::kLightGreen);
    }
    submit(text);
}

void RotorControl::Text3_KeyPress(int key)
{
    if (key != 13)
        return;
    const QString text = m_panel.text(Item::Text3);
    submit(text.trimmed() == u"360" ? QStringLiteral("0") : text);
    m_panel.setText(Item::Text3, QString());
}

void RotorControl::MnuGO_Click()
{
    submit(m_panel.text(Item::Text3));
}

void RotorControl::submit(const QString &command)
{
    // One drive at a time: the newest command waits for it; the drive's own "OK" never waits.
    if (m_driving && !m_acknowledging) {
        m_waiting = command;
        return;
    }
    m_targetAzimuth = command;
    RotorCommand();
}

void RotorControl::MnuStop_Click()
{
    abandon();
    if (familyOf(m_config.activeProfile().RotorModel) == Family::ProsistelD)
        m_targetAzimuth = QStringLiteral("977");
    m_stopRequest = 1;
    RotorCommand();
    m_stopRequest = 0;
}

int RotorControl::correctedDelay()
{
    qint16 &delay = m_config.activeProfile().RotorDelay;
    if (delay < 0)
        delay = 1;
    return delay;
}

void RotorControl::RotorCommand()
{
    const bool stop = m_stopRequest == 1;
    const auto accept = [this](bool stopCodes) {
        const std::optional<QString> azimuth = Drivers::acceptAzimuth(m_targetAzimuth, stopCodes);
        if (azimuth)
            m_targetAzimuth = *azimuth;
        return azimuth.has_value();
    };

    switch (familyOf(m_config.activeProfile().RotorModel)) {
    case Family::ProsistelBC: {
        // A stop goes out whatever the last command was: the rotor may still be turning.
        if (!stop && m_targetAzimuth == u"OK")
            return;
        const int delay = correctedDelay();
        if (!stop && !accept(false))
            return;
        return drive(Drivers::prosistelBC(m_targetAzimuth, delay, stop),
                     failureText("PROSISTEL"));
    }
    case Family::ProsistelD:
        correctedDelay();
        if (!accept(true))
            return;
        return drive(Drivers::prosistelD(m_targetAzimuth, stop), failureText("PROSISTEL"));
    case Family::RotorEz: {
        if (stop)
            break;
        if (m_targetAzimuth == u"OK")
            return;
        const int delay = correctedDelay();
        if (!accept(false))
            return;
        return drive(Drivers::rotorEzDcu1(m_targetAzimuth, delay), failureText("ROTOR-EZ/DCU1"));
    }
    case Family::HyGain: {
        if (stop)
            break;
        const int delay = correctedDelay();
        if (!accept(false))
            return;
        return drive(Drivers::hyGain(m_targetAzimuth, delay), failureText("ROTOR-EZ/DCU1-HyGain"));
    }
    case Family::External:
        return m_boxes.show(MessageBoxes::Icon::Information,
                            QStringLiteral("This rotor model like [") + m_host.dialogModelText() +
                                QStringLiteral("] is directly implemented on SORVIK"),
                            kAppTitle);
    case Family::None:
        return;
    }
    m_boxes.show(MessageBoxes::Icon::Information,
                 QStringLiteral("PLEASE SEND all info for to make the STOP COMMAND for this ROTOR"),
                 QStringLiteral("SORVIK ROTOR CONTROL"));
}

void RotorControl::drive(DriveSteps steps, const QString &failure)
{
    m_steps = std::move(steps);
    m_next = 0;
    m_failure = failure;
    m_driving = true;
    next(++m_generation);
}

void RotorControl::next(quint64 generation)
{
    while (m_driving && generation == m_generation && m_next < m_steps.size()) {
        const DriveStep step = m_steps[m_next++];
        switch (step.kind) {
        case Kind::Write:
            if (!m_port.output(step.text)) {
                // The drive ends here: the light stays red, no "OK"; the operator reads why.
                QString box = m_panel.text(Item::TBox);
                if (!box.isEmpty() && !box.endsWith(u'\n'))
                    m_panel.appendTBox(QStringLiteral("\r\n"));
                m_panel.appendTBox(m_failure + QStringLiteral(" (") + m_port.errorString() +
                                   QStringLiteral(")\r\n"));
                return finish();
            }
            break;
        case Kind::Pause:
            m_pauser.after(step.value, [this, generation] { next(generation); });
            return;
        case Kind::Light:
            m_panel.setBackground(Item::LblDelay, quint32(step.value));
            break;
        case Kind::Gradi:
            m_panel.setText(Item::LblGradi, step.text);
            break;
        case Kind::Beep:
            m_beeper.beep();
            break;
        case Kind::Acknowledge:
            m_acknowledging = true;
            m_panel.setText(Item::Text1, QStringLiteral("OK"));
            m_acknowledging = false;
            break;
        case Kind::Caption:
            m_panel.updateCaption();
            break;
        }
    }
    if (generation == m_generation && m_driving)
        finish();
}

void RotorControl::finish()
{
    m_driving = false;
    if (m_waiting) {
        const QString command = *std::exchange(m_waiting, std::nullopt);
        m_targetAzimuth = command;
        RotorCommand();
    }
}

void RotorControl::abandon()
{
    ++m_generation;
    m_driving = false;
    m_waiting.reset();
}
