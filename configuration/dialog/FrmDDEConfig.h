#pragma once

#include "configuration/dialog/SerialDevices.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class Beeper;
class Configuration;
class MainPanel;
class MessageBoxes;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SerialPort;

// The configuration dialog: the operator edits the three profiles, picks the one in force, saves,
// and closing puts the boxes into effect on the serial port. Created loaded (hidden), shown
// modally by the main window, destroyed once closed.
class FrmDDEConfig : public QDialog
{
    Q_OBJECT
public:
    // The seven boxes in field order of RotorProfile.
    enum class Box {
        CmbRotorPort,
        CmbRotorBaud,
        CmbRotorSet,
        CmbRotorHanshack,
        CmbRotor,
        TxtDelay,
        TxtErrore
    };
    Q_ENUM(Box)
    static constexpr int kBoxCount = 7;
    static constexpr int kOptionCount = 3;
    static constexpr int kDesignWidthTwips = 6480;
    static constexpr int kHeightTwips = 2100;

    using DeviceList = std::function<QList<SerialDevice>()>;

    // Builds the dialog from its design state and loads it (Form_Load), without showing it.
    // devices: what the device chooser offers (the serial devices present, unless a test says).
    FrmDDEConfig(Configuration &config, MainPanel &panel, SerialPort &port, MessageBoxes &boxes,
                 Beeper &beeper, QWidget *parent = nullptr,
                 DeviceList devices = presentSerialDevices);

    static QString boxName(Box box);
    QString text(Box box) const;
    // Closing has begun (Form_QueryUnload ran or runs): the dialog is on its way out.
    bool isClosing() const { return m_closing; }

    void RotorDefault();
    void OptRotor_Click(int index);
    void CmbRotor_Click();
    void TxtDelay_LostFocus();
    void CmdSave_Click();
    void MnuExit_Click();
    // "Device…": the serial devices present, or for a rotator on the network its host:port.
    void CmdDevice_Click();
    // What the port in the box is to lead to; SAVE makes config/comN so.
    void chooseDevice(const QString &target);

    // The delay box rule: a text that is not a number, or a number below 1, becomes "1".
    static QString checkedDelay(const QString &text);

protected:
    // Every closing applies the boxes once and is never refused.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Form_QueryUnload();
    void queryUnloadFailed(const QString &why);
    QComboBox *makeDropDown(Box box, const QStringList &items, const QString &toolTip);
    QLineEdit *makeTextBox(Box box, int maxLength, const QString &toolTip);
    QLabel *makeLabel(const QString &name, const QString &caption);
    void setText(Box box, const QString &text);
    void setLblRotore(int profileNumber);
    void fillBoxesFromActiveProfile();
    void showPortDevice();
    // Whether the model in the box reaches its rotator at host:port.
    bool networkModel() const;
    void saveChosenDevice();
    void placeOnScreen();

    Configuration &m_config;
    MainPanel &m_panel;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;

    std::array<QComboBox *, 5> m_dropDowns{}; // CmbRotorPort to CmbRotor, in Box order
    QLineEdit *m_txtDelay = nullptr;
    QLineEdit *m_txtErrore = nullptr;
    std::array<QRadioButton *, kOptionCount> m_options{};
    QLabel *m_lblRotore = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QLineEdit *m_txtDevice = nullptr;
    QPushButton *m_cmdDevice = nullptr;
    DeviceList m_devices;
    // The device chosen for the port, until SAVE writes its link.
    QString m_chosenDevice;
    QAction *m_mnuExit = nullptr;
    bool m_placed = false;
    bool m_closing = false;
    // The designed size's factor for the font in use (1: the DPI conversion alone).
    double m_scale = 1;
};
