#include "map/Locator.h"

#include <QRegularExpression>

namespace Locator {

namespace {
// Letters A to `last` in either case: 0 to last - 'A'. Else -1.
int letter(QChar c, char last)
{
    const char16_t u = c.toUpper().unicode();
    return u >= 'A' && u <= char16_t(last) ? u - 'A' : -1;
}

int digit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9' ? c.unicode() - '0' : -1;
}
} // namespace

std::optional<GreatCircle::LatLon> centre(QStringView locator)
{
    const qsizetype length = locator.size();
    if (length != 4 && length != 6 && length != 8)
        return std::nullopt;
    // Each pair narrows the square: fields 20 x 10 degrees, squares 2 x 1, subsquares 1/12 x
    // 1/24, extended squares a tenth of that.
    struct Pair
    {
        int lon;
        int lat;
    };
    Pair pairs[4] = {};
    pairs[0] = {letter(locator[0], 'R'), letter(locator[1], 'R')};
    pairs[1] = {digit(locator[2]), digit(locator[3])};
    if (length >= 6)
        pairs[2] = {letter(locator[4], 'X'), letter(locator[5], 'X')};
    if (length == 8)
        pairs[3] = {digit(locator[6]), digit(locator[7])};
    constexpr double lonSize[4] = {20, 2, 2.0 / 24, 2.0 / 240};
    constexpr double latSize[4] = {10, 1, 1.0 / 24, 1.0 / 240};
    const int count = int(length / 2);
    double lon = -180;
    double lat = -90;
    for (int i = 0; i < count; ++i) {
        if (pairs[i].lon < 0 || pairs[i].lat < 0)
            return std::nullopt;
        lon += pairs[i].lon * lonSize[i];
        lat += pairs[i].lat * latSize[i];
    }
    return GreatCircle::LatLon{lat + latSize[count - 1] / 2, lon + lonSize[count - 1] / 2};
}

std::optional<QString> station(QStringView text)
{
    const QString locator = text.trimmed().toString();
    if ((locator.size() != 4 && locator.size() != 6) || !centre(locator))
        return std::nullopt;
    return locator.left(4).toUpper() + locator.mid(4).toLower();
}

std::optional<GreatCircle::LatLon> target(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (const std::optional<GreatCircle::LatLon> square = centre(trimmed))
        return square;
    static const QRegularExpression pair(QStringLiteral(
        R"(^\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+))\s*,\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+))\s*$)"));
    const QRegularExpressionMatch match = pair.match(trimmed.toString());
    if (!match.hasMatch())
        return std::nullopt;
    const double lat = match.captured(1).toDouble();
    const double lon = match.captured(2).toDouble();
    if (lat < -90 || lat > 90 || lon < -180 || lon > 180)
        return std::nullopt;
    return GreatCircle::LatLon{lat, lon};
}

} // namespace Locator
