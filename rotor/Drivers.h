#pragma once

#include <QList>
#include <QString>

#include <optional>

// One thing a drive does; a drive is a list of them, carried out in order by one runner.
struct DriveStep
{
    enum class Kind { Write, Pause, Light, Gradi, Beep, Acknowledge, Caption };
    Kind kind;
    QString text;  // Write: the characters, one byte each; Gradi: the caption
    int value = 0; // Pause: milliseconds; Light: 0xRRGGBB
};
using DriveSteps = QList<DriveStep>;

// The four controller families as lists of steps, and the azimuth text they all accept.
namespace Drivers {
// One to three decimal digits of value at most 359, padded to three with leading zeros; with
// stopCodes (Prosistel D) "977" and "999" also pass, unchanged. Anything else: nullopt.
std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes = false);

// STX "0" STX d1 d2 d3 CR, one write and one pause each; a stop is STX "0" CR.
DriveSteps prosistelBC(const QString &azimuth, int delay, bool stop);
// "AP1" ddd ";" CR then "AM1;", a pause before each; acknowledged with "OK".
DriveSteps rotorEzDcu1(const QString &azimuth, int delay);
// "AP1" ddd CR LF then "AM1;", a pause before each; no acknowledgement.
DriveSteps hyGain(const QString &azimuth, int delay);
// The stop frame STX "AG977" CR ahead of the go-to frame STX "AG" ddd CR, no pauses; a stop is
// the go-to frame for "977" alone.
DriveSteps prosistelD(const QString &azimuth, bool stop);
} // namespace Drivers
