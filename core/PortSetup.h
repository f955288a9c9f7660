#pragma once

#include "core/RotorProfile.h"

#include <QString>

#include <optional>

class SerialPort;

// How a profile's texts become the serial port's properties.
namespace PortSetup {
// Baud, a comma and one blank, then the rest: "4800, n,8,1".
QString settingsText(const RotorProfile &profile);
// The first character of the handshake text, blanks at both ends removed, as a number:
// "0 - NONE" gives 0. Empty or not a digit: nullopt.
std::optional<int> handshakeCode(const QString &handshake);
// The port number text as a number; nullopt when it does not convert.
std::optional<int> portNumber(const QString &port);

// The two ways the program puts a profile on the port. The main window's set-up closes the port,
// sets its number and lines and opens it last. The dialog's closing reopens the port on its
// number first (and leaves the port alone when that text reads "DEMO"), then sets the lines.
enum class Order { LinesThenOpen, OpenThenLines };
// Stops at the first step that fails and returns false; why then says what failed, for the
// operator.
bool apply(SerialPort &port, const RotorProfile &profile, Order order, QString *why = nullptr);
} // namespace PortSetup
