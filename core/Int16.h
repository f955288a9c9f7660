#pragma once

#include <QString>

#include <optional>

// A text as a 16-bit integer: blanks at both ends ignored, optional sign, digits, optional
// fraction rounded half to even, -32768 to 32767. Empty, not a number or out of range: nullopt.
std::optional<qint16> toInt16(const QString &text);
