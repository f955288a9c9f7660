#pragma once

#include <QLatin1StringView>
#include <QString>

// The model that stands for no rotor at all. Where the port and the failure reports decide by it,
// the name is compared exactly, case included; the dispatcher upper-cases it like any model.
inline constexpr QLatin1StringView kDemoModel{"DEMO"};

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

    bool isDemo() const { return RotorModel == kDemoModel; }
    // RotorModel + " - COM: " + RotorPort + " - " + RotorSet + " - " + RotorBaud
    QString summary() const;

    bool operator==(const RotorProfile &) const = default;
};
