#pragma once

#include "core/MainPanel.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QTimer>

#include <memory>

class Banner;
class Beeper;
class Configuration;
class FrmDDEConfig;
class MessageBoxes;
class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class RotorControl;
class SerialPort;
class StatusCommand;

// The main window: shows the panel, and runs start-up, activation, the port set-up, the ON, OFF,
// Config and "?" commands, always-on-top and closing. It owns the configuration dialog while
// that is loaded.
class FrmSorvikDDE : public QMainWindow
{
    Q_OBJECT
public:
    FrmSorvikDDE(MainPanel &panel, Configuration &config, SerialPort &port, MessageBoxes &boxes,
                 Beeper &beeper, RotorControl &rotor, StatusCommand &status, Banner &banner,
                 QWidget *parent = nullptr);
    ~FrmSorvikDDE() override;

    // Start-up; false when another instance runs and this one must end.
    bool Form_Load(bool anotherInstanceRunning);
    // The main window became the program's active window again (and at start).
    void Form_Activate();
    void CaricaConfig();
    void setSerRotor();
    void Rigenera();
    void SalvaPosizione();

    // The dialog's model box; reading it loads the dialog hidden when it is not loaded.
    QString configModelBox();
    // A line the "?" box adds, such as why the link is off.
    void setAboutNote(const QString &note) { m_aboutNote = note; }

signals:
    // The window has closed: the program ends.
    void closed();
    // MAP: the beam map, opened or raised.
    void mapRequested();

protected:
    // Every close request saves the position, unloads the dialog and closes the port; it is
    // never refused.
    void closeEvent(QCloseEvent *event) override;

private:
    void MnuConfig_Click();
    void MnuOn_Click();
    void MnuOff_Click();
    void MnuHelp_Click();
    void Check1_Click(bool checked);
    void Form_QueryUnload();

    void loadFailed();
    void activationFailed();
    void notePortFailure(const QString &why);
    void showConfigDialog(bool afterLoadFailure);
    FrmDDEConfig &configDialog();
    void unloadConfigDialog();

    void buildControls();
    // Names the control and records its designed place (twips) for applyLayout().
    QWidget *place(QWidget *widget, const QString &name, QRect twips, const QString &toolTip = {});
    double layoutScale() const;
    // Where TxtCom and the check box cover LblConfig, in its own pixels at this scale.
    QPoint coveredCorner(double scale) const;
    bool summaryFits(const QString &summary, double scale) const;
    void applyLayout();
    void showText(MainPanel::Item item, const QString &text);
    // The texts and colours changed since they were last shown.
    void showTexts();
    void showTextsSoon();
    void showTBox();
    void showColours(MainPanel::Item item);
    double dpi() const;
    void setOuterHeight(int twips);
    void setOnTop(bool onTop);

    MainPanel &m_panel;
    Configuration &m_config;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;
    RotorControl &m_rotor;
    StatusCommand &m_status;
    Banner &m_banner;

    QHash<MainPanel::Item, QWidget *> m_items;
    QList<std::pair<QWidget *, QRect>> m_designed;
    // The designed layout's factor for the font in use (1: the DPI conversion alone).
    double m_scale = 1;
    QHash<MainPanel::Menu, QAction *> m_menus;
    QLineEdit *m_text3 = nullptr;
    QPlainTextEdit *m_tbox = nullptr;
    QCheckBox *m_check1 = nullptr;
    QSet<MainPanel::Item> m_dirtyTexts;
    QSet<MainPanel::Item> m_dirtyColours;
    QTimer m_textTimer;
    QElapsedTimer m_textsShown;
    QHash<MainPanel::Item, quint32> m_shownColours;
    // The traffic box's text not shown yet: appended text, or all of it after a cut.
    QString m_tboxPending;
    bool m_tboxWhole = false;
    QTimer m_tboxTimer;

    std::unique_ptr<FrmDDEConfig> m_dialog;
    bool m_dialogShown = false;
    bool m_closing = false;
    // The dialog opened by a failed load has closed: a load that fails again goes on in DEMO.
    bool m_afterLoadFailureDialog = false;
    QString m_aboutNote;
};
