#pragma once

#include "rotor/DriveStep.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a controller family is: the model names that select it, and how the program drives it,
// asks it for its state, stops it and reads its replies. Every family is one row of the table in
// RotorFamily.cpp; the dispatcher, the status and stop commands, the reply poller, the link and
// the configuration dialog all read it.
struct RotorFamily
{
    // The drive for a command text, or nullopt when the family sends nothing for it. A negative
    // delay is corrected to 1 in place, at the point where the family does it.
    using Driver = std::optional<Drive> (*)(const QString &target, bool stop, qint16 &delay);
    enum class Stop {
        None,    // nothing happens
        Driver,  // the driver sends the family's stop
        Message, // the stop message: this program knows no stop for it
    };
    enum class Replies {
        Common,      // the azimuth at characters 5 to 7, the status letter
        ProsistelBC, // a line of three digits is the azimuth plus 70
    };
    struct Name
    {
        QLatin1StringView text; // upper case, as the dispatcher matches it
        bool inDialog;          // offered in the configuration dialog's model list
    };

    QList<Name> names{};
    Driver drive = nullptr;
    // The logbook drives these itself: every command answers with the external-model message.
    bool servedByLogbook = false;
    // Written in one go by STATUS and after every port set-up; empty: the "UNKNOW" message.
    QString statusRequest{};
    Stop stop = Stop::None;
    // What the command text becomes for the driver's stop (empty: left as it is).
    QString stopCode{};
    Replies replies = Replies::Common;
    bool reportsPosition = false;

    bool hasStop() const { return stop == Stop::Driver; }

    // The family of a model name, upper-cased and never trimmed: "dcu-1" is one, "DCU-1 " none.
    static const RotorFamily *of(const QString &model);
    // The models the configuration dialog offers, in its order.
    static QStringList dialogModels();
};
