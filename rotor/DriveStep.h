#pragma once

#include <QList>
#include <QString>

// One step of a rotor drive; a drive is a list of them, run in order on the event loop.
struct DriveStep
{
    enum class Kind {
        Write,       // text: one write to the port; a failure ends the drive
        Pause,       // ms
        Light,       // colour: background of LblDelay
        Gradi,       // text: caption of LblGradi
        Beep,        // the system beep, once
        Acknowledge, // "OK" into Text1, for the logbook
        Caption,     // the window caption from LblGradi
        LibrarySet,  // text: the azimuth, handed to the library; its answer goes on or ends
        LibraryStop, // the library's stop, likewise
    };
    Kind kind;
    QString text;
    int ms = 0;
    quint32 colour = 0;

    static DriveStep write(const QString &bytes) { return {Kind::Write, bytes, 0, 0}; }
    static DriveStep pause(int ms) { return {Kind::Pause, {}, ms, 0}; }
    static DriveStep light(quint32 colour) { return {Kind::Light, {}, 0, colour}; }
    static DriveStep gradi(const QString &caption) { return {Kind::Gradi, caption, 0, 0}; }
    static DriveStep beep() { return {Kind::Beep, {}, 0, 0}; }
    static DriveStep acknowledge() { return {Kind::Acknowledge, {}, 0, 0}; }
    static DriveStep caption() { return {Kind::Caption, {}, 0, 0}; }
    static DriveStep librarySet(const QString &azimuth)
    {
        return {Kind::LibrarySet, azimuth, 0, 0};
    }
    static DriveStep libraryStop() { return {Kind::LibraryStop, {}, 0, 0}; }

    bool operator==(const DriveStep &) const = default;
};

// A drive ready to run: its steps, the padded azimuth it sends (empty for the B/C stop) and the
// text the traffic box shows when a write fails.
struct Drive
{
    QList<DriveStep> steps;
    QString azimuth;
    QString failureText;
};
