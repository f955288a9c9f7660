#pragma once

#include "rotor/DriveStep.h"
#include "rotor/ReplyChunk.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a controller family is: the model names that select it, and how the program drives it,
// asks it for its state, stops it and reads its position. Every family is one row of the table
// in RotorFamily.cpp; the dispatcher, the status and stop commands, the reply poller, the link
// and the configuration dialog all read it.
struct RotorFamily
{
    // The drive for a command text, or nullopt when the family sends nothing for it. A negative
    // delay is corrected to 1 in place, at the point where the family does it.
    using Driver = std::optional<Drive> (*)(const QString &target, bool stop, qint16 &delay);
    // How one read of the serial line's replies is understood.
    using ReplyReader = ReplyChunk (*)(const QString &received);
    enum class Stop {
        None,    // nothing happens
        Driver,  // the driver sends the family's stop
        Message, // the stop message: this program knows no stop for it
    };
    struct Name
    {
        QLatin1StringView text; // upper case, as the dispatcher matches it
        bool inDialog;          // offered in the configuration dialog's model list
    };
    // A rotator model the installed library (libhamlib) drives, as it describes it.
    struct LibraryModel
    {
        enum class Port {
            None,    // nothing to open (the library's own dummy rotator)
            Device,  // a device such as a serial port, behind the profile's port number
            Network, // a host:port, named by the port's link, else localhost:4533
        };
        int number = 0;
        QString maker;
        QString model;
        Port port = Port::Device;
        bool hasStop = false;
        int lowestBaud = 0; // the serial rates the model takes; 0: any
        int highestBaud = 0;
    };

    QList<Name> names{};
    // Driven through the library, which is told the model number in the model text
    // ("HAMLIB 603" or "HAMLIB 603 YAESU GS-232B"); no bytes of ours reach the line.
    bool library = false;
    Driver drive = nullptr;
    // The logbook drives these itself: every command answers with the external-model message.
    bool servedByLogbook = false;
    // Written in one go by STATUS and after every port set-up; empty: the "UNKNOW" message,
    // unless the library asks the rotator instead.
    QString statusRequest{};
    Stop stop = Stop::None;
    // What the command text becomes for the driver's stop (empty: left as it is).
    QString stopCode{};
    // How its position is read: its replies through this reader, or (none) polled from the
    // library about once a second, four times a second while it turns.
    ReplyReader readReply = readCommonReply;
    bool reportsPosition = false;

    // The family of a model name, upper-cased and never trimmed: "dcu-1" is one, "DCU-1 " none.
    static const RotorFamily *of(const QString &model);
    // The models the configuration dialog offers: the design's in its order, then every model
    // of the installed library, sorted by maker, then model.
    static QStringList dialogModels();
    // Whether the model in force has a stop of its own; a library model decides for itself.
    static Stop stopFor(const QString &model);

    // The library's model number in a model text of the library family; nullopt for any other.
    static std::optional<int> libraryModelNumber(const QString &model);
    // "HAMLIB 603 YAESU GS-232B": what the dialog lists and a profile stores.
    static QString libraryModelText(const LibraryModel &model);
    // What the installed library offers, told once at start.
    static void setLibraryModels(QList<LibraryModel> models);
    static const LibraryModel *libraryModel(int number);
};
