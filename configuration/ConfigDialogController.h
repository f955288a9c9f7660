#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Beeper;
class ConfigDialog;
class ConfigDialogView;
class Configuration;
class MainPanel;
class MessageBoxes;
class SerialPort;

// The configuration dialog's lifetime, shared by the main window and the dispatcher: loading it
// (shown or hidden), showing it modally, and closing it, which applies it once and destroys it.
class ConfigDialogController : public QObject
{
    Q_OBJECT
public:
    ConfigDialogController(Configuration &config, MainPanel &panel, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, ConfigDialogView &view,
                           QObject *parent = nullptr);
    ~ConfigDialogController() override;

    bool isLoaded() const { return m_dialog != nullptr; }
    bool isShown() const { return m_shown; }
    // The loaded state; nullptr when the dialog is not loaded.
    ConfigDialog *dialog() const { return m_dialog.get(); }

    // The model box. Loads the dialog without showing it when it is not loaded (with the
    // load's side effects on TxtCom and the port); it then stays loaded.
    QString modelBoxText();
    // "Config" and the failed load: loads the dialog unless it is loaded, shows it modally and
    // returns once it has closed and been destroyed.
    void showModal();
    // The program is ending: closes the dialog if it is loaded, applying it as any close does.
    void unload();

signals:
    // The dialog has closed and its state is gone.
    void unloaded();

private:
    void load();
    void queryUnloadOnce();
    void destroy();

    Configuration &m_config;
    MainPanel &m_panel;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;
    ConfigDialogView &m_view;
    std::unique_ptr<ConfigDialog> m_dialog;
    bool m_shown = false;
    bool m_queryUnloadDone = false;
};
