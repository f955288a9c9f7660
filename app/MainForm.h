#pragma once

#include "rotor/RotorHost.h"

#include <QObject>
#include <QString>

#include <functional>

class Beeper;
class Configuration;
class MainPanel;
class MainWindowView;
class MessageBoxes;
class SerialPort;

// The main window's behaviour: start-up, activation, putting the profile in force on the serial
// port, the ON and OFF commands, always-on-top, the about box and closing.
class MainForm : public QObject, public RotorHost
{
    Q_OBJECT
public:
    // What the main window reaches in the other parts of the program.
    struct Links
    {
        std::function<bool()> anotherInstanceRunning;
        // The model's status request; false when its write fails.
        std::function<bool()> queryRotorStatus;
        // Shows the configuration dialog modally; returns when it has closed.
        std::function<void()> showConfigDialog;
        // The dialog's model box (loads the dialog hidden when it is not loaded).
        std::function<QString()> dialogModelText;
        // Unloads the dialog if it is loaded.
        std::function<void()> unloadConfigDialog;
        std::function<void()> startTimers;
        std::function<void()> rearmBanner;
        // Ends a running drive; nothing more is written.
        std::function<void()> abandonDrive;
        // A line for the about box when the link is not available.
        QString linkProblem;
    };

    MainForm(MainPanel &panel, Configuration &config, SerialPort &port, MessageBoxes &boxes,
             MainWindowView &view, QString positionFile, Links links, QObject *parent = nullptr);

    // Start-up; false when another instance runs and this one must end.
    bool Form_Load();
    // The main window became the program's active window again (and at start).
    void Form_Activate();
    // Close request and unload: position saved, dialog unloaded, port closed. Runs once.
    void Form_QueryUnload();
    bool isClosing() const { return m_closing; }

    void CaricaConfig();
    void setSerRotor();
    void SalvaPosizione();

    void MnuConfig_Click();
    void MnuOn_Click();
    void MnuOff_Click();
    void MnuHelp_Click();
    void Check1_Click(bool checked);

    // RotorHost
    void closeProgram() override;
    void Rigenera() override;
    void rearmBanner() override;
    QString dialogModelText() override;

    // RotorModel + " - COM: " + RotorPort + " - " + RotorSet + " - " + RotorBaud
    QString profileSummary() const;

private:
    void loadFailed();
    void activationFailed();
    void showDialogThenActivate(bool afterLoadFailure);

    MainPanel &m_panel;
    Configuration &m_config;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    MainWindowView &m_view;
    QString m_positionFile;
    Links m_links;
    bool m_onTop = false;
    bool m_closing = false;
    // The dialog opened by a failed load has closed: a load that fails again goes on in DEMO.
    bool m_afterLoadFailureDialog = false;
};
