#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>

class ControllerModel;

// What a simulated controller family is: the names that select it, how its bytes are cut into
// frames, what a whole frame does and what it sends unasked. Every family is one row of the
// table in SimFamily.cpp; ControllerModel runs the row it is given, and FamilyFrames holds the
// cutters, frame handlers and reports the rows name.
struct SimFamily
{
    // What one more byte does to the frame collected so far.
    enum class Cut {
        Append,  // belongs to the frame
        End,     // ends the frame, which then runs
        Alone,   // a frame of its own (only between frames)
        Restart, // the frame so far is dropped and this byte begins a new one
        Skip,    // between frames and meaningless, such as a line end: logged, nothing more
        Stray,   // no frame starts with it: logged with its neighbours as ignored
    };
    using Cutter = Cut (*)(QByteArrayView frame, char byte);
    using Handler = void (*)(ControllerModel &model, const QByteArray &frame);
    using Report = QByteArray (*)(const ControllerModel &model);

    QList<QLatin1StringView> names; // upper case; the first is the one the simulator uses
    Cutter cut = nullptr;
    Handler run = nullptr;
    // Sent unasked once a second while the rotor turns and once when it arrives, as long as
    // monitoring is on; none: the family speaks only when spoken to.
    Report stream = nullptr;
    // A stop in the middle of a turn ends the stream with one more report.
    bool stopReported = false;
    // Whether --k3ng and --resolution mean something to it.
    bool takesK3ng = false;
    bool takesResolution = false;

    QLatin1StringView name() const { return names.constFirst(); }

    static const QList<SimFamily> &all();
    // The family a name selects, in any case and spacing; nullptr for none.
    static const SimFamily *of(const QString &name);
};
