#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// One thing a PstRotator-style datagram asks.
struct PstCommand
{
    enum class Kind { Turn, Stop, AskAzimuth, AskElevation };

    Kind kind = Kind::Turn;
    int azimuth = -1; // Turn: 0 to 359

    friend bool operator==(const PstCommand &, const PstCommand &) = default;
};

// PstRotator's UDP commands, "<PST><AZIMUTH>85</AZIMUTH></PST>", read as its clients write them:
// tags found anywhere in the text, several in one datagram (QLog sends TRACK, AZIMUTH and
// ELEVATION together), no escaping. Answers go to the sender's address at the port + 1.
namespace PstDatagram {
// Longer datagrams are nobody's commands.
constexpr qsizetype kMaxSize = 2048;

// What the datagram asks, in its order, each kind at most once (the last of a kind counts).
// AZIMUTH turns (its leading number, -360 to 720), STOP with a digit other than 0 stops, "AZ?"
// and "EL?" ask; ELEVATION, TRACK, PARK and QRA change nothing on an azimuth rotator here.
QList<PstCommand> parse(QByteArrayView datagram);

// "AZ:045" CR, as the PstRotator manual shows it.
QByteArray azimuthAnswer(int azimuth);
// "EL:0" CR: the rotator turns in azimuth alone.
QByteArray elevationAnswer();
} // namespace PstDatagram
