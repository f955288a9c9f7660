#include "app/Program.h"

#include "app/DevicePath.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

Program::Program(const QString &programDir, const QString &busName, QObject *parent)
    : QObject(parent), m_configDir(QDir(programDir).filePath(QStringLiteral("config"))),
      m_instance(programDir), m_config(m_configDir), m_port(m_configDir)
{
    m_window = std::make_unique<FrmSorvikDDE>(m_panel);
    m_boxes.setParent(m_window.get());
    const QString configDir = m_configDir;
    m_dialogView = std::make_unique<FrmDDEConfigView>(
        [configDir](int port) { return DevicePath::describe(configDir, port); }, m_window.get());
    m_dialog = std::make_unique<ConfigDialogController>(m_config, m_panel, m_port, m_boxes,
                                                        m_beeper, *m_dialogView);
    m_status = std::make_unique<StatusCommand>(m_panel, m_config, m_port, m_boxes);
    m_poller = std::make_unique<ReplyPoller>(m_panel, m_config, m_port);
    m_banner = std::make_unique<Banner>(m_panel);

    m_link = std::make_unique<DdeService>(m_panel);
    QString linkProblem;
    if (!m_link->start(busName)) {
        linkProblem = m_link->errorString();
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(linkProblem));
    }

    MainForm::Links links;
    links.anotherInstanceRunning = [this] { return !m_instance.acquire(); };
    links.queryRotorStatus = [this] { return m_status->QueryRotorStatus(); };
    links.showConfigDialog = [this] { m_dialog->showModal(); };
    links.dialogModelText = [this] { return m_dialog->modelBoxText(); };
    links.unloadConfigDialog = [this] { m_dialog->unload(); };
    links.startTimers = [this] { m_banner->start(); };
    links.rearmBanner = [this] { m_banner->rearm(); };
    links.abandonDrive = [this] { m_rotor->abandon(); };
    links.linkProblem = linkProblem;
    m_form = std::make_unique<MainForm>(m_panel, m_config, m_port, m_boxes, *m_window,
                                        QDir(m_configDir).filePath(QStringLiteral("DDEpos.ini")),
                                        std::move(links));

    m_rotor = std::make_unique<RotorControl>(m_panel, m_config, m_port, m_boxes, m_beeper, m_pauser,
                                             *m_form);
    connect(&m_panel, &MainPanel::text1Set, m_rotor.get(), &RotorControl::Text1_Change);
    connect(m_window.get(), &FrmSorvikDDE::text3Enter, m_rotor.get(),
            [this] { m_rotor->Text3_KeyPress(13); });

    connect(m_window.get(), &FrmSorvikDDE::menuTriggered, this, &Program::onMenu);
    connect(m_window.get(), &FrmSorvikDDE::check1Clicked, m_form.get(), &MainForm::Check1_Click);
    connect(m_window.get(), &FrmSorvikDDE::closing, this, [this] {
        m_form->Form_QueryUnload();
        // Also ends a message box or the dialog that may be open at that moment.
        QCoreApplication::exit(0);
    });
    // SIGTERM, SIGINT and the desktop's session end are close requests like the close box; the
    // quit also ends a message box open at that moment (a second instance's, say).
    const auto closeRequest = [this] {
        m_form->closeProgram();
        QCoreApplication::exit(0);
    };
    connect(&m_signals, &SignalCloser::closeRequested, this, closeRequest);
    connect(qApp, &QGuiApplication::commitDataRequest, this, closeRequest);
}

Program::~Program()
{
    m_form->Form_QueryUnload();
}

bool Program::start()
{
    if (!m_form->Form_Load())
        return false;
    QMetaObject::invokeMethod(m_form.get(), &MainForm::Form_Activate, Qt::QueuedConnection);
    return true;
}

void Program::onMenu(MainPanel::Menu menu)
{
    using Menu = MainPanel::Menu;
    switch (menu) {
    case Menu::MnuConfig:
        m_form->MnuConfig_Click();
        break;
    case Menu::MnuOn:
        m_form->MnuOn_Click();
        break;
    case Menu::MnuOff:
        m_form->MnuOff_Click();
        break;
    case Menu::mnuStatus:
        m_status->mnuStatus_Click();
        break;
    case Menu::MnuHelp:
        m_form->MnuHelp_Click();
        break;
    case Menu::MnuGO:
        m_rotor->MnuGO_Click();
        break;
    case Menu::MnuStop:
        m_rotor->MnuStop_Click();
        break;
    }
}
