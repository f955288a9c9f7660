#pragma once

#include <QString>

// One rotor set-up, its fields in the order of the configuration file's lines.
struct RotorProfile
{
    QString RotorPort;
    QString RotorBaud;
    QString RotorSet;
    QString RotorHandshake;
    QString RotorModel;
    qint16 RotorDelay = 0; // milliseconds
    qint16 RotorError = 0; // degrees; stored and edited, never applied

    bool operator==(const RotorProfile &) const = default;
};
