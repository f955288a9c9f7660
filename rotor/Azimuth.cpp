#include "rotor/Azimuth.h"

#include "core/Int16.h"

#include <algorithm>

namespace {
constexpr int kMaxAzimuth = 359;
constexpr qsizetype kWireDigits = 3;
} // namespace

bool isProsistelDStopCode(const QString &azimuth)
{
    return azimuth == QLatin1String("977") || azimuth == QLatin1String("999");
}

std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes)
{
    if (text.isEmpty() || text.size() > kWireDigits)
        return std::nullopt;
    // Only ASCII digits: no sign, blank, point or exponent, and no other script's digits.
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!digits)
        return std::nullopt;
    const QString padded = text.rightJustified(kWireDigits, QLatin1Char('0'));
    if (stopCodes && isProsistelDStopCode(padded))
        return padded;
    const std::optional<qint16> value = toInt16(text);
    if (!value || *value > kMaxAzimuth)
        return std::nullopt;
    return padded;
}
