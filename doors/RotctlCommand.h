#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

// One command as a client sent it: what to do, its arguments as typed, and the reply form wanted.
struct RotctlCommand
{
    enum class Kind { SetPosition, GetPosition, Stop, Park, Move, Reset, GetInfo, DumpState, Quit };

    Kind kind = Kind::GetPosition;
    QByteArrayList arguments;
    bool extended = false;
    char separator = '\n';

    // rotctld's name for it: "\get_pos" and the first line of an extended reply.
    QByteArray longName() const;
    // Whether success answers with values instead of "RPRT 0".
    bool returnsValues() const;
    // set_pos's azimuth as a whole degree in 0..359; none when either value is not a number,
    // the azimuth lies beyond -360..720 or the elevation is not 0 (the rotator turns in azimuth
    // alone, and \dump_state says so).
    std::optional<int> azimuth() const;
    // Whether each argument starts with a whole number, as rotctld reads move's and reset's.
    bool integerArguments() const;

    friend bool operator==(const RotctlCommand &, const RotctlCommand &) = default;
};
