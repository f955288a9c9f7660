#pragma once

#include <QString>

// Which controller family a rotor model name belongs to, as the feedback side needs it: names are
// compared upper-cased and untrimmed, so "dcu-1" matches and "DCU-1 " does not.
enum class ModelFamily { ProsistelBC, ProsistelD, RotorEzDcu1HyGain, Other };

ModelFamily modelFamily(const QString &rotorModel);
