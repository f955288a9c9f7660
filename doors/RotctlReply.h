#pragma once

#include "doors/RotctlCommand.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// What a command came to, written out byte for byte in the default or the extended form.
class RotctlReply
{
public:
    // A DoorStatus code.
    static RotctlReply status(int code) { return RotctlReply(code); }
    static RotctlReply position(double azimuth);
    // The profile summary is LblConfig's text, "PROSISTEL D - COM: 1 - n,8,1 - 9600".
    static RotctlReply info(const QString &profileSummary);
    static RotctlReply dumpState();

    int code() const { return m_code; }
    QByteArray format(const RotctlCommand &command) const;

private:
    struct Line
    {
        QByteArray plain;
        QByteArray labelled;
    };

    explicit RotctlReply(int code, QList<Line> lines = {}) : m_code(code), m_lines(std::move(lines))
    {}

    int m_code = 0;
    QList<Line> m_lines;
};
