#pragma once

#include <QList>
#include <QString>

#include <optional>

// What a drive does, step by step; one runner carries out any list.
struct DriveStep
{
    enum class Kind { Write, Pause, Light, Gradi, Beep, Acknowledge, Caption };
    Kind kind;
    QString text;     // Write: the bytes; Gradi: the caption
    int value = 0;    // Pause: ms; Light: 0xRRGGBB
};
using DriveSteps = QList<DriveStep>;

namespace Drivers {
// One to three decimal digits of value at most 359, padded to three; the Prosistel D family also
// takes its codes "977" and "999".
std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes = false);

DriveSteps prosistelBC(const QString &azimuth, int delay, bool stop);
DriveSteps rotorEzDcu1(const QString &azimuth, int delay);
DriveSteps hyGain(const QString &azimuth, int delay);
DriveSteps prosistelD(const QString &azimuth, bool stop);
} // namespace Drivers
