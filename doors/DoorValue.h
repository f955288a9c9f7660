#pragma once

#include <QByteArrayView>

#include <optional>

// Numbers as the doors read them from clients.
namespace DoorValue {
// What a door turns to: rotators that pass north (to 450, from -180) are asked beyond 0..360.
constexpr double kLowestAzimuth = -360;
constexpr double kHighestAzimuth = 720;

// The leading decimal number of a datagram's value, after any blanks: a sign, digits, a
// fraction after '.' or ',' (locales differ; Hamlib 4.6 sends "123.000000.2") and an exponent;
// none when the text starts with no digit.
std::optional<double> leadingNumber(QByteArrayView text);

// A whole degree in 0 to 359; none outside kLowestAzimuth to kHighestAzimuth.
std::optional<int> wholeAzimuth(double degrees);
} // namespace DoorValue
