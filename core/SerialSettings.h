#pragma once

#include <QString>

#include <optional>

// A serial settings text such as "4800, n,8,1": baud, parity letter, data bits, stop bits.
struct SerialSettings
{
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Blanks may follow each comma; the parity letter in either case; anything else: nullopt.
    static std::optional<SerialSettings> parse(const QString &text);
    bool operator==(const SerialSettings &) const = default;
};
