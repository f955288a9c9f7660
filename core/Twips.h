#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>
#include <optional>

// Window geometry is designed and stored in twips, 1/1440 inch (15 twips a pixel at 96 dpi).
namespace Twips {
inline constexpr double kPerInch = 1440;

// Pixels for a length in twips at the given dots per inch.
inline int toPixels(double twips, double dpi)
{
    return qRound(twips * dpi / kPerInch);
}

// 64 bits: a window far off screen has more twips than an int holds.
inline qint64 fromPixels(int pixels, double dpi)
{
    return qRound64(pixels * kPerInch / dpi);
}

// A coordinate read from a file: nullopt when it is no finite number or its pixels would not fit
// in an int (a damaged file must not overflow the window's geometry).
inline std::optional<int> positionToPixels(double twips, double dpi)
{
    const double pixels = std::round(twips * dpi / kPerInch);
    if (!std::isfinite(pixels) || pixels < std::numeric_limits<int>::min() ||
        pixels > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(pixels);
}
} // namespace Twips
