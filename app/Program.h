#pragma once

#include "app/FrmSorvikDDE.h"
#include "app/MainForm.h"
#include "app/MainPanel.h"
#include "app/QtMessageBoxes.h"
#include "app/SignalCloser.h"
#include "app/SingleInstance.h"
#include "app/link/DdeService.h"
#include "app/serial/QtSerialPortDevice.h"
#include "configuration/ConfigDialogController.h"
#include "configuration/Configuration.h"
#include "configuration/FrmDDEConfig.h"
#include "feedback/Banner.h"
#include "feedback/ReplyPoller.h"
#include "feedback/StatusCommand.h"
#include "rotor/Pauser.h"
#include "rotor/RotorControl.h"

#include <QObject>

#include <memory>

// The whole program, put together: one of each part, wired to the others.
class Program : public QObject
{
    Q_OBJECT
public:
    // programDir: the folder of the executable; its config folder holds the files.
    // busName: the link's name on the session bus.
    Program(const QString &programDir, const QString &busName, QObject *parent = nullptr);
    ~Program() override;

    // Start-up and the first activation; false when another instance runs.
    bool start();

    MainPanel &panel() { return m_panel; }
    FrmSorvikDDE &window() { return *m_window; }
    MainForm &form() { return *m_form; }

private:
    void onMenu(MainPanel::Menu menu);

    QString m_configDir;
    SingleInstance m_instance;
    MainPanel m_panel;
    Configuration m_config;
    QtSerialPortDevice m_port;
    QtMessageBoxes m_boxes;
    QtBeeper m_beeper;
    std::unique_ptr<FrmSorvikDDE> m_window;
    std::unique_ptr<FrmDDEConfigView> m_dialogView;
    std::unique_ptr<ConfigDialogController> m_dialog;
    std::unique_ptr<StatusCommand> m_status;
    std::unique_ptr<ReplyPoller> m_poller;
    std::unique_ptr<Banner> m_banner;
    std::unique_ptr<DdeService> m_link;
    std::unique_ptr<MainForm> m_form;
    TimerPauser m_pauser{this};
    std::unique_ptr<RotorControl> m_rotor;
    SignalCloser m_signals;
};
