#pragma once

#include "configuration/Configuration.h"
#include "configuration/dialog/FrmDDEConfig.h"
#include "core/MainPanel.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <memory>

using Box = FrmDDEConfig::Box;

// Three profiles as the file holds them, seven lines each.
using ProfileLines = std::array<QString, 7>;

inline const ProfileLines kProfile1{"2", "9600", "N,8,1", "2 - RTS/DTR", "HY-GAIN", "250", "-5"};
inline const ProfileLines kProfile2{"3", "4800", "E,8,1", "0 - NONE", "ROTOR-EZ", "500", "7"};
inline const ProfileLines kProfile3{"5",           "19200", "N,8,2", "1 - XON/XOFF",
                                    "PROSISTEL D", "1000",  "0"};

// The 30-line file of three profiles, every line ended CR LF.
inline QByteArray profileFile(const ProfileLines &p1, const ProfileLines &p2,
                              const ProfileLines &p3)
{
    QByteArray bytes;
    for (const ProfileLines *profile : {&p1, &p2, &p3})
        for (const QString &line : *profile)
            bytes += line.toLatin1() + "\r\n";
    for (int filler = 22; filler <= 30; ++filler)
        bytes += ' ' + QByteArray::number(filler) + " \r\n";
    return bytes;
}

// Lines 7(slot-1)+1 to 7(slot-1)+7 of a file's bytes.
inline QStringList slotLines(const QByteArray &file, int slot)
{
    const QStringList lines = QString::fromLatin1(file).split(QStringLiteral("\r\n"));
    return lines.mid(7 * (slot - 1), 7);
}

inline QStringList toList(const ProfileLines &lines)
{
    return QStringList(lines.begin(), lines.end());
}

// A configuration folder, the main window's state and the fakes a dialog works on.
struct DialogRig
{
    explicit DialogRig(bool withFile = true) : config(dir.path() + QStringLiteral("/config"))
    {
        if (withFile)
            writeFile(profileFile(kProfile1, kProfile2, kProfile3));
    }

    void writeFile(const QByteArray &bytes)
    {
        QDir().mkpath(config.configDir());
        QFile file(config.filePath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

    QByteArray fileBytes() const
    {
        QFile file(config.filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The program's first start: profile 1, the file read, the port of the profile open.
    bool start()
    {
        config.setProfileNumber(1);
        const bool loaded = config.load();
        if (!loaded) // the load-failure path
            config.activeProfile().RotorModel = QStringLiteral("DEMO");
        port.setPortOpen(true);
        panel.setText(MainPanel::Item::TxtCom, QStringLiteral("COM ON"));
        return loaded;
    }

    // A dialog loaded as the program loads it, not shown.
    std::unique_ptr<FrmDDEConfig> makeDialog()
    {
        return std::make_unique<FrmDDEConfig>(config, panel, port, boxes, beeper);
    }

    static QStringList boxTexts(const FrmDDEConfig &dialog)
    {
        QStringList texts;
        for (int i = 0; i < FrmDDEConfig::kBoxCount; ++i)
            texts << dialog.text(Box(i));
        return texts;
    }
    // A box as the operator's typing or pick leaves it.
    static void edit(FrmDDEConfig &dialog, Box box, const QString &text)
    {
        QWidget *widget = dialog.findChild<QWidget *>(FrmDDEConfig::boxName(box));
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setEditText(text);
        else if (auto *line = qobject_cast<QLineEdit *>(widget))
            line->setText(text);
    }
    static QRadioButton *option(const FrmDDEConfig &dialog, int index)
    {
        return dialog.findChild<QRadioButton *>(QStringLiteral("OptRotor%1").arg(index));
    }
    static int markedOption(const FrmDDEConfig &dialog)
    {
        for (int i = 0; i < FrmDDEConfig::kOptionCount; ++i)
            if (option(dialog, i)->isChecked())
                return i;
        return -1;
    }
    // The operator marks an option (a click on the one marked does nothing).
    static void mark(FrmDDEConfig &dialog, int index) { option(dialog, index)->click(); }
    static QString lblRotore(const FrmDDEConfig &dialog)
    {
        return dialog.findChild<QLabel *>(QStringLiteral("LblRotore"))->text();
    }

    QTemporaryDir dir;
    Configuration config;
    MainPanel panel;
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
};
