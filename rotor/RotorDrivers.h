#pragma once

#include "rotor/DriveStep.h"

#include <optional>

// The drivers of the controller families, as lists of steps. Each takes the command text, whether
// it is a stop, and the profile's delay (a negative delay is corrected to 1 in place, at the point
// where the family does it); nullopt when the family sends nothing for the text (nothing is sent,
// nothing changes).
namespace RotorDrivers {

// Prosistel B/C: one byte a write, a pause after each. A stop (STX "0" CR) goes out whatever the
// text holds: a stop must never silently do nothing.
std::optional<Drive> prosistelBC(const QString &target, bool stop, qint16 &delay);
// Rotor-EZ and DCU-1: "AP1ddd;" CR then "AM1;", a pause before each. They have no stop.
std::optional<Drive> rotorEzDcu1(const QString &target, bool stop, qint16 &delay);
// Hy-Gain: as Rotor-EZ with CR LF after "AP1ddd", and no "OK" for the logbook.
std::optional<Drive> hyGain(const QString &target, bool stop, qint16 &delay);
// Prosistel D: STX "AG977" CR ahead of every turn, no pauses; a stop is the stop frame alone.
std::optional<Drive> prosistelD(const QString &target, bool stop, qint16 &delay);
// A rotator the library drives: the azimuth or the stop handed over, each waiting for the
// library's answer; "OK" for the logbook once it is taken. The delay is not used.
std::optional<Drive> library(const QString &target, bool stop, qint16 &delay);

} // namespace RotorDrivers
