#include "configuration/ConfigDialogController.h"

#include "configuration/ConfigDialog.h"
#include "configuration/ConfigDialogView.h"

ConfigDialogController::ConfigDialogController(Configuration &config, MainPanel &panel,
                                               SerialPort &port, MessageBoxes &boxes,
                                               Beeper &beeper, ConfigDialogView &view,
                                               QObject *parent)
    : QObject(parent), m_config(config), m_panel(panel), m_port(port), m_boxes(boxes),
      m_beeper(beeper), m_view(view)
{}

ConfigDialogController::~ConfigDialogController() = default;

void ConfigDialogController::load()
{
    m_dialog = std::make_unique<ConfigDialog>(m_config, m_panel, m_port, m_boxes, m_beeper);
    m_queryUnloadDone = false;
    m_dialog->Form_Load();
}

QString ConfigDialogController::modelBoxText()
{
    if (!m_dialog)
        load();
    return m_dialog->text(ConfigDialog::Box::CmbRotor);
}

void ConfigDialogController::showModal()
{
    // Already on screen, or on its way out: nothing to open.
    if (m_shown || m_queryUnloadDone)
        return;
    if (!m_dialog)
        load();
    m_shown = true;
    m_view.showModal(*m_dialog);
    m_shown = false;
    queryUnloadOnce();
    destroy();
}

void ConfigDialogController::unload()
{
    if (!m_dialog || m_queryUnloadDone)
        return;
    queryUnloadOnce();
    if (m_shown) {
        // showModal returns once the window has gone and destroys the state there.
        m_view.close();
        return;
    }
    destroy();
}

void ConfigDialogController::queryUnloadOnce()
{
    if (m_queryUnloadDone)
        return;
    m_queryUnloadDone = true;
    // Its message box runs a nested event loop; the state stays alive until it returns.
    m_dialog->Form_QueryUnload();
}

void ConfigDialogController::destroy()
{
    m_dialog.reset();
    m_queryUnloadDone = false;
    emit unloaded();
}
