#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One line of what the simulator did: a frame it received, bytes it sent, or a note of its own,
// at the millisecond of the controller's clock it happened.
struct SimEvent
{
    enum class Kind { Received, Sent, Note };

    Kind kind = Kind::Note;
    QByteArray bytes; // the frame; for a note, bytes quoted after its text (may be empty)
    QString text;     // a note's text
    qint64 ms = 0;

    bool operator==(const SimEvent &) const = default;
};

using SimEvents = QList<SimEvent>;
