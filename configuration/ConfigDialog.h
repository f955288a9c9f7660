#pragma once

#include <QObject>
#include <QString>

#include <array>

class Beeper;
class Configuration;
class MainPanel;
class MessageBoxes;
class SerialPort;

// The configuration dialog's behaviour: its box texts, the marked profile option and the status
// label, and what its events do to the profiles, the file and the serial port. The window only
// shows this state and forwards the operator's events.
class ConfigDialog : public QObject
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

    ConfigDialog(Configuration &config, MainPanel &panel, SerialPort &port, MessageBoxes &boxes,
                 Beeper &beeper, QObject *parent = nullptr);

    static QString boxName(Box box);

    QString text(Box box) const;
    // An edit by the operator or a value put in by the program; no rule runs.
    void setText(Box box, const QString &text);
    // The option button that is marked, 0 to 2 ("Rotor 1" to "Rotor 3").
    int markedOption() const { return m_marked; }
    QString lblRotore() const { return m_lblRotore; }

    // Marks an option as a click does: OptRotor_Click runs only when it was not marked yet.
    void markOption(int index);

    void Form_Load();
    void RotorDefault();
    void OptRotor_Click(int index);
    void CmbRotor_Click();
    void TxtDelay_LostFocus();
    void CmdSave_Click();
    void MnuExit_Click();
    // Applies the boxes to the profile in force and reopens the port; never refuses the close.
    void Form_QueryUnload();

    // The delay box rule: a text that is not a number, or a number below 1, becomes "1".
    static QString checkedDelay(const QString &text);

signals:
    void textChanged(ConfigDialog::Box box, const QString &text);
    void markedOptionChanged(int index);
    void lblRotoreChanged(const QString &caption);
    // Exit, or a save that failed in DEMO: the window is to close (its closing runs
    // Form_QueryUnload through the owner).
    void closeRequested();

private:
    void setLblRotore(int profileNumber);
    void fillBoxesFromActiveProfile();
    void queryUnloadFailed();

    Configuration &m_config;
    MainPanel &m_panel;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    Beeper &m_beeper;

    // Design texts, as the dialog is created.
    std::array<QString, kBoxCount> m_texts{QStringLiteral("1"),     QStringLiteral("4800"),
                                           QStringLiteral("N,8,2"), QStringLiteral("0 - NONE"),
                                           QStringLiteral("DEMO"),  QStringLiteral("1000"),
                                           QStringLiteral("0")};
    int m_marked = 0;
    QString m_lblRotore = QStringLiteral("ROTOR ONLINE");
};
