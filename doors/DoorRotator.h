#pragma once

#include "doors/DoorStatus.h"

#include <QObject>
#include <QString>

#include <functional>

// The rotator as the front doors drive it, whoever hosts them: the program itself, or the bridge
// through the program's link. Each call answers through its callback, at once or later, in
// DoorStatus codes; an answer whose context object is gone is dropped.
class DoorRotator : public QObject
{
    Q_OBJECT
public:
    struct Position
    {
        int status = DoorStatus::kOk;
        int reported = -1;  // the controller's own report, 0 to 359; -1: none
        int commanded = -1; // the last drive started, 0 to 359; -1: none
    };
    struct Info
    {
        int status = DoorStatus::kOk;
        QString summary; // LblConfig's text: "PROSISTEL D - COM: 1 - n,8,1 - 9600"
    };
    using Done = std::function<void(int status)>;
    using PositionAnswer = std::function<void(const Position &)>;
    using InfoAnswer = std::function<void(const Info &)>;

    using QObject::QObject;

    // What a logbook poke of the azimuth (0 to 359) does; kIoError when the rotor's line is
    // closed at that moment.
    virtual void setAzimuth(int azimuth, QObject *context, Done done) = 0;
    // The operator's STOP; kNotAvailable for a family without one, kIoError as for a set.
    virtual void stop(QObject *context, Done done) = 0;
    virtual void position(QObject *context, PositionAnswer answer) = 0;
    virtual void info(QObject *context, InfoAnswer answer) = 0;
    // Whether the program is there at all.
    virtual void reach(QObject *context, Done done) = 0;
    // From now on reportedChanged() follows the controller's reports.
    virtual void watchReported() {}

signals:
    // The controller reported a new azimuth (-1: none any more).
    void reportedChanged(int azimuth);
    // A stop went to the rotor, from whatever road.
    void stopped();
};
