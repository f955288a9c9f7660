#pragma once

#include <QString>

#include <optional>

// What a rotor driver accepts as an azimuth: one to three decimal digits with a value of at most
// 359, padded with leading zeros to three. With stopCodes, the Prosistel D codes "977" and "999"
// pass too. Anything else: nullopt.
std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes = false);

// "977" or "999": shown as STOP by the Prosistel D driver.
bool isProsistelDStopCode(const QString &azimuth);
