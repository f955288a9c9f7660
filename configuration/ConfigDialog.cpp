#include "configuration/ConfigDialog.h"

#include "app/Beeper.h"
#include "app/MainPanel.h"
#include "app/MessageBoxes.h"
#include "app/PortSetup.h"
#include "app/SerialPort.h"
#include "app/Version.h"
#include "configuration/Configuration.h"
#include "configuration/Int16.h"

#include <QMetaEnum>

using Item = MainPanel::Item;
using Icon = MessageBoxes::Icon;

namespace {
const QString kDemo = QStringLiteral("DEMO");

constexpr int index(ConfigDialog::Box box)
{
    return static_cast<int>(box);
}

bool isExternalModel(const QString &model)
{
    return model == u"ARSWIN" || model == u"SARTEK" || model == u"IF100";
}
} // namespace

ConfigDialog::ConfigDialog(Configuration &config, MainPanel &panel, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, QObject *parent)
    : QObject(parent), m_config(config), m_panel(panel), m_port(port), m_boxes(boxes),
      m_beeper(beeper)
{}

QString ConfigDialog::boxName(Box box)
{
    return QString::fromLatin1(QMetaEnum::fromType<Box>().valueToKey(index(box)));
}

QString ConfigDialog::text(Box box) const
{
    return m_texts[index(box)];
}

void ConfigDialog::setText(Box box, const QString &text)
{
    QString &slot = m_texts[index(box)];
    if (slot == text)
        return;
    slot = text;
    emit textChanged(box, text);
}

void ConfigDialog::markOption(int index)
{
    if (index == m_marked || index < 0 || index >= kOptionCount)
        return;
    OptRotor_Click(index);
}

void ConfigDialog::Form_Load()
{
    // Centring and the height are the window's own business when it is shown.
    const int number = m_config.profileNumber();
    if (number >= 1 && number <= kOptionCount) {
        markOption(number - 1);
        setLblRotore(number);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
        if (m_config.activeProfile().RotorPort != kDemo && m_port.portOpen())
            m_port.setPortOpen(false);
    }
    fillBoxesFromActiveProfile();
    RotorDefault();
}

void ConfigDialog::RotorDefault()
{
    const RotorProfile &profile = m_config.activeProfile();
    if (profile.RotorPort.isEmpty())
        setText(Box::CmbRotorPort, QStringLiteral("1"));
    if (profile.RotorBaud.isEmpty())
        setText(Box::CmbRotorBaud, QStringLiteral("4800"));
    if (profile.RotorSet.isEmpty())
        setText(Box::CmbRotorSet, QStringLiteral("n,8,1"));
    if (profile.RotorHandshake.isEmpty())
        setText(Box::CmbRotorHanshack, QStringLiteral("0 - NONE"));
    if (profile.RotorModel.isEmpty())
        setText(Box::CmbRotor, kDemo);
    if (profile.RotorDelay == 0)
        setText(Box::TxtDelay, QStringLiteral("1"));
}

void ConfigDialog::OptRotor_Click(int index)
{
    if (index < 0 || index >= kOptionCount)
        return;
    if (m_marked != index) {
        m_marked = index;
        emit markedOptionChanged(index);
    }
    const int number = index + 1;
    setLblRotore(number);
    m_config.setProfileNumber(number);
    // The switch shows the profile as last read or saved; unsaved edits in the boxes are dropped.
    m_config.applyLinesToActive(number);
    fillBoxesFromActiveProfile();
}

void ConfigDialog::CmbRotor_Click()
{
    const QString model = text(Box::CmbRotor);
    if (!isExternalModel(model))
        return;
    m_boxes.show(Icon::Information,
                 QStringLiteral("This rotor model like [") + model +
                     QStringLiteral("] is directly implemented on SORVIK"),
                 kAppTitle);
}

QString ConfigDialog::checkedDelay(const QString &text)
{
    // toInt16 decides what a number is, so a delay that passes always converts when applied.
    // The comparison with 1 is on the number as typed: 0.6 is below 1 though it rounds to 1.
    if (!toInt16(text) || text.trimmed().toDouble() < 1.0)
        return QStringLiteral("1");
    return text;
}

void ConfigDialog::TxtDelay_LostFocus()
{
    setText(Box::TxtDelay, checkedDelay(text(Box::TxtDelay)));
}

void ConfigDialog::CmdSave_Click()
{
    const int slot = m_marked + 1;
    Configuration::BoxTexts texts;
    for (int i = 0; i < kBoxCount; ++i)
        texts[i] = m_texts[i];

    if (m_config.save(slot, texts)) {
        m_beeper.beep();
        return;
    }
    // A save into slot 1 takes its model from the box; slots 2 and 3 leave the one in force.
    const QString model = slot == 1 ? text(Box::CmbRotor) : m_config.activeProfile().RotorModel;
    // Every failed save is told: one that failed in silence would pass for a success.
    m_boxes.show(Icon::None, QStringLiteral("DDE SAVE ERROR ") + kVersion, kAppTitle);
    if (model == kDemo)
        MnuExit_Click();
}

void ConfigDialog::MnuExit_Click()
{
    emit closeRequested();
}

void ConfigDialog::Form_QueryUnload()
{
    RotorProfile &profile = m_config.activeProfile();
    profile.RotorPort = text(Box::CmbRotorPort);
    profile.RotorBaud = text(Box::CmbRotorBaud);
    profile.RotorSet = text(Box::CmbRotorSet);
    profile.RotorHandshake = text(Box::CmbRotorHanshack);
    profile.RotorModel = text(Box::CmbRotor);
    const std::optional<qint16> delay = toInt16(text(Box::TxtDelay));
    if (!delay)
        return queryUnloadFailed();
    profile.RotorDelay = *delay;
    const std::optional<qint16> error = toInt16(text(Box::TxtErrore));
    if (!error)
        return queryUnloadFailed();
    profile.RotorError = *error;

    const QString settings = PortSetup::settingsText(profile);

    if (profile.RotorPort != kDemo) {
        if (m_port.portOpen() && !m_port.setPortOpen(false))
            return queryUnloadFailed();
        const std::optional<int> number = PortSetup::portNumber(profile.RotorPort);
        if (!number || !m_port.setCommPort(*number) || !m_port.setPortOpen(true))
            return queryUnloadFailed();
    }

    if (!m_port.setSettings(settings))
        return queryUnloadFailed();
    const std::optional<int> handshake = PortSetup::handshakeCode(profile.RotorHandshake);
    if (!handshake || !m_port.setHandshaking(*handshake) || !m_port.setInputLen(0))
        return queryUnloadFailed();

    if (profile.RotorModel != kDemo && !m_port.portOpen()) {
        if (!m_port.setPortOpen(true))
            return queryUnloadFailed();
        m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    }
}

void ConfigDialog::queryUnloadFailed()
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    if (m_config.activeProfile().RotorModel == kDemo)
        return;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_boxes.show(Icon::None, QStringLiteral("DDE COM PORT EXIT OPEN ERROR OR IN USE ") + kVersion,
                 kAppTitle);
}

void ConfigDialog::setLblRotore(int profileNumber)
{
    const QString caption =
        QStringLiteral("ROTOR-") + QString::number(profileNumber) + QStringLiteral(" ACTIVE");
    if (caption == m_lblRotore)
        return;
    m_lblRotore = caption;
    emit lblRotoreChanged(caption);
}

void ConfigDialog::fillBoxesFromActiveProfile()
{
    const RotorProfile &profile = m_config.activeProfile();
    setText(Box::CmbRotorPort, profile.RotorPort);
    setText(Box::CmbRotorBaud, profile.RotorBaud);
    setText(Box::CmbRotorSet, profile.RotorSet);
    setText(Box::CmbRotorHanshack, profile.RotorHandshake);
    setText(Box::CmbRotor, profile.RotorModel);
    setText(Box::TxtDelay, QString::number(profile.RotorDelay));
    setText(Box::TxtErrore, QString::number(profile.RotorError));
}
