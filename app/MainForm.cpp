#include "app/MainForm.h"

#include "app/MainPanel.h"
#include "app/MainWindowView.h"
#include "app/MessageBoxes.h"
#include "app/PortSetup.h"
#include "app/PositionFile.h"
#include "app/SerialPort.h"
#include "app/Version.h"
#include "configuration/Configuration.h"

#include <QTimer>

#include <algorithm>

using Item = MainPanel::Item;
using Icon = MessageBoxes::Icon;

namespace {
constexpr int kOuterHeight = 3000;        // twips
constexpr double kMinimisedTop = -100000; // a window saved while minimised lies far above this
const QString kDemo = QStringLiteral("DEMO");

int toTwips(double value)
{
    return int(std::clamp(value, -1.0e9, 1.0e9));
}
} // namespace

MainForm::MainForm(MainPanel &panel, Configuration &config, SerialPort &port, MessageBoxes &boxes,
                   MainWindowView &view, QString positionFile, Links links, QObject *parent)
    : QObject(parent), m_panel(panel), m_config(config), m_port(port), m_boxes(boxes), m_view(view),
      m_positionFile(std::move(positionFile)), m_links(std::move(links))
{}

bool MainForm::Form_Load()
{
    // A second instance ends here, before it touches the position file the first one owns.
    if (m_links.anotherInstanceRunning && m_links.anotherInstanceRunning()) {
        m_closing = true; // also while the message is up
        m_boxes.show(Icon::Critical, QStringLiteral("SorvikDDE already istance mounted!"),
                     QStringLiteral("SORVIK startup"));
        return false;
    }

    const PositionFile::Position saved = PositionFile::read(m_positionFile);
    int top = toTwips(saved.top);
    int left = toTwips(saved.left);
    if (saved.top < kMinimisedTop) {
        const QSize screen = m_view.screenSize();
        const QSize window = m_view.size();
        top = (screen.height() - window.height()) / 2;
        left = (screen.width() - window.width()) / 2;
    }
    m_view.moveTo(top, left);

    m_config.setProfileNumber(1);
    m_view.setOuterHeight(kOuterHeight);
    m_panel.updateCaption();
    m_view.showInFront();
    m_panel.setText(Item::TBox, QString());
    if (m_links.startTimers)
        m_links.startTimers();
    m_view.focusTBox();
    m_panel.setText(Item::Label4, QStringLiteral("SORVIKDDE ") + kVersion);
    return true;
}

void MainForm::Form_Activate()
{
    if (m_closing)
        return;
    CaricaConfig();
    if (m_closing)
        return;

    m_panel.setText(Item::LblConfig, profileSummary());
    if (m_config.activeProfile().RotorModel != kDemo) {
        if (!m_port.portOpen() && !m_port.setPortOpen(true))
            return activationFailed();
        m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    } else {
        if (m_port.portOpen()) {
            m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
            m_port.setPortOpen(false);
        }
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    }
}

void MainForm::activationFailed()
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    const RotorProfile &profile = m_config.activeProfile();
    if (profile.RotorModel == kDemo)
        return;
    if (m_port.portOpen()) {
        m_port.setPortOpen(false);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    }
    m_boxes.show(Icon::None,
                 QStringLiteral("DDE COM PORT ERROR OR IN USE - COM [") + profile.RotorPort +
                     QStringLiteral("] ") + kVersion,
                 kAppTitle);
}

void MainForm::CaricaConfig()
{
    if (!m_config.load())
        return loadFailed();
    setSerRotor();
}

void MainForm::loadFailed()
{
    RotorProfile &profile = m_config.activeProfile();
    if (profile.RotorModel != kDemo) {
        m_boxes.show(Icon::None, QStringLiteral("DDE-COM PORT ERROR .ini FILE ERROR ") + kVersion,
                     kAppTitle);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
        if (m_port.portOpen())
            m_port.setPortOpen(false);
        profile.RotorModel = kDemo;
    }
    // Right after the dialog a failed load opened, a file that still fails goes on in DEMO:
    // the operator is not sent back into the dialog for ever.
    if (m_afterLoadFailureDialog)
        return;
    showDialogThenActivate(true);
}

void MainForm::showDialogThenActivate(bool afterLoadFailure)
{
    if (m_links.showConfigDialog)
        m_links.showConfigDialog();
    if (m_closing)
        return;
    // The main window becomes active again once the dialog has gone.
    QTimer::singleShot(0, this, [this, afterLoadFailure] {
        m_afterLoadFailureDialog = afterLoadFailure;
        Form_Activate();
        m_afterLoadFailureDialog = false;
    });
}

void MainForm::setSerRotor()
{
    const RotorProfile &profile = m_config.activeProfile();
    const auto failed = [&] {
        if (profile.RotorModel != kDemo)
            m_boxes.show(Icon::Exclamation,
                         QStringLiteral("Rotor PORT CONFIG ERROR OR IN USE! Please check config"),
                         QStringLiteral("SOrvik RotorPort ") + kVersion);
    };

    if (m_port.portOpen() && !m_port.setPortOpen(false))
        return failed();
    const QString settings = PortSetup::settingsText(profile);
    const std::optional<int> port = PortSetup::portNumber(profile.RotorPort);
    if (!port || !m_port.setCommPort(*port))
        return failed();
    if (!m_port.setSettings(settings))
        return failed();
    const std::optional<int> handshake = PortSetup::handshakeCode(profile.RotorHandshake);
    if (!handshake || !m_port.setHandshaking(*handshake))
        return failed();
    if (!m_port.setInputLen(0) || !m_port.setPortOpen(true))
        return failed();
    m_panel.setText(Item::TBox, QStringLiteral("STATUS => "));
    if (m_links.queryRotorStatus && !m_links.queryRotorStatus())
        return failed();
}

void MainForm::MnuOn_Click()
{
    if (m_config.activeProfile().RotorModel == kDemo)
        return;
    m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    if (!m_port.setPortOpen(true))
        m_boxes.show(Icon::None, QStringLiteral("PORT ALREADY OPEN OR IN USE"),
                     QStringLiteral("DDE SORVIK ") + kVersion);
}

void MainForm::MnuOff_Click()
{
    if (m_config.activeProfile().RotorModel == kDemo)
        return;
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    if (!m_port.setPortOpen(false))
        m_boxes.show(Icon::None, QStringLiteral("PORT ALREADY CLOSED OR IN USE"),
                     QStringLiteral("DDE SORVIK ") + kVersion);
}

void MainForm::Rigenera()
{
    for (MainPanel::Menu menu : {MainPanel::Menu::MnuConfig, MainPanel::Menu::MnuGO,
                                 MainPanel::Menu::MnuOn, MainPanel::Menu::MnuOff})
        m_panel.setMenuEnabled(menu, true);
    if (!m_port.portOpen())
        m_port.setPortOpen(true);
    m_panel.setText(Item::LblConfig, profileSummary());
}

void MainForm::rearmBanner()
{
    if (m_links.rearmBanner)
        m_links.rearmBanner();
}

QString MainForm::dialogModelText()
{
    return m_links.dialogModelText ? m_links.dialogModelText()
                                   : m_config.activeProfile().RotorModel;
}

void MainForm::MnuConfig_Click()
{
    showDialogThenActivate(false);
}

void MainForm::MnuHelp_Click()
{
    QStringList lines{
        QStringLiteral("SORVIK DDE ROTOR CONTROL"),
        QStringLiteral("Home page: the SorvikDDE pages that came with your logbook"),
        QStringLiteral("Made by the SorvikDDE developers, reachable by e-mail through those pages"),
        QString(),
        QStringLiteral("For information and news, write by e-mail or visit the home page."),
    };
    if (!m_links.linkProblem.isEmpty())
        lines << QString() << m_links.linkProblem;
    m_boxes.show(Icon::Information, lines.join(QStringLiteral("\r\n")),
                 QStringLiteral("DDE Sorvik Rotor control ") + kVersion);
}

void MainForm::Check1_Click(bool checked)
{
    m_onTop = checked;
    m_view.setOnTop(m_onTop);
}

void MainForm::closeProgram()
{
    m_view.requestClose();
}

void MainForm::Form_QueryUnload()
{
    if (m_closing)
        return;
    m_closing = true;
    SalvaPosizione();
    if (m_links.abandonDrive)
        m_links.abandonDrive();
    if (m_links.unloadConfigDialog)
        m_links.unloadConfigDialog();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
}

void MainForm::SalvaPosizione()
{
    PositionFile::write(m_positionFile, m_view.top(), m_view.left());
}

QString MainForm::profileSummary() const
{
    const RotorProfile &p = m_config.activeProfile();
    return p.RotorModel + QStringLiteral(" - COM: ") + p.RotorPort + QStringLiteral(" - ") +
           p.RotorSet + QStringLiteral(" - ") + p.RotorBaud;
}
