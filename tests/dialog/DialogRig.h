#pragma once

#include "app/MainPanel.h"
#include "configuration/ConfigDialog.h"
#include "configuration/Configuration.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <memory>

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

    std::unique_ptr<ConfigDialog> makeDialog()
    {
        return std::make_unique<ConfigDialog>(config, panel, port, boxes, beeper);
    }

    QStringList boxTexts(const ConfigDialog &dialog) const
    {
        QStringList texts;
        for (int i = 0; i < ConfigDialog::kBoxCount; ++i)
            texts << dialog.text(static_cast<ConfigDialog::Box>(i));
        return texts;
    }

    QTemporaryDir dir;
    Configuration config;
    MainPanel panel;
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
};
