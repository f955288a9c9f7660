#pragma once

#include "configuration/RotorProfile.h"

#include <QString>

#include <optional>

// How a profile's texts become the serial port's properties.
namespace PortSetup {
// Baud, a comma and one blank, then the rest: "4800, n,8,1".
QString settingsText(const RotorProfile &profile);
// The first character of the handshake text, blanks at both ends removed, as a number:
// "0 - NONE" gives 0. Empty or not a digit: nullopt.
std::optional<int> handshakeCode(const QString &handshake);
// The port number text as a number; nullopt when it does not convert.
std::optional<int> portNumber(const QString &port);
} // namespace PortSetup
