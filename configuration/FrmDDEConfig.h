#pragma once

#include "configuration/ConfigDialog.h"
#include "configuration/ConfigDialogView.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The configuration dialog's window: shows a ConfigDialog's state and forwards the operator's
// picks, edits, clicks and focus changes to it.
class FrmDDEConfig : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kDesignWidthTwips = 6480;
    static constexpr int kHeightTwips = 2100;

    // Which device a port number opens ("config/com3 -> /dev/ttyUSB0", "/dev/ttyS2"), shown in
    // the port box's tool tip.
    using PortDescriber = std::function<QString(int port)>;

    explicit FrmDDEConfig(ConfigDialog &dialog, PortDescriber describePort = {},
                          QWidget *parent = nullptr);

    // Twips to pixels on this window's screen.
    int twipsToPixels(int twips) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QComboBox *makeDropDown(ConfigDialog::Box box, const QStringList &items,
                            const QString &toolTip);
    QLineEdit *makeTextBox(ConfigDialog::Box box, int maxLength, const QString &toolTip);
    QLabel *makeLabel(const QString &name, const QString &caption);
    void showText(ConfigDialog::Box box, const QString &text);
    void showPortDevice();
    void placeOnScreen();

    ConfigDialog &m_dialog;
    PortDescriber m_describePort;
    std::array<QComboBox *, 5> m_dropDowns{}; // CmbRotorPort to CmbRotor, in Box order
    QLineEdit *m_txtDelay = nullptr;
    QLineEdit *m_txtErrore = nullptr;
    std::array<QRadioButton *, ConfigDialog::kOptionCount> m_options{};
    QLabel *m_lblRotore = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QAction *m_mnuExit = nullptr;
    bool m_placed = false;
};

// Opens a fresh FrmDDEConfig over the dialog's state each time the controller shows it.
class FrmDDEConfigView : public ConfigDialogView
{
public:
    // parent: the main window, which the dialog is modal over.
    explicit FrmDDEConfigView(FrmDDEConfig::PortDescriber describePort = {},
                              QWidget *parent = nullptr)
        : m_describePort(std::move(describePort)), m_parent(parent)
    {}

    void showModal(ConfigDialog &dialog) override;
    void close() override;
    // The window being shown, if any.
    FrmDDEConfig *window() const { return m_window; }

private:
    FrmDDEConfig::PortDescriber m_describePort;
    QWidget *m_parent;
    QPointer<FrmDDEConfig> m_window;
};
