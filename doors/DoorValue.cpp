#include "doors/DoorValue.h"

#include <cmath>

namespace {
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

std::optional<double> DoorValue::leadingNumber(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        sign = text[i++] == '-' ? -1 : 1;
    if (i >= text.size() || !isDigit(text[i]))
        return std::nullopt;
    // Digits beyond these change nothing a rotator can turn to.
    constexpr int kMaxDigits = 12;
    double value = 0;
    int digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (++digits > kMaxDigits)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && isDigit(text[i + 1])) {
        double scale = 0.1;
        for (++i; i < text.size() && isDigit(text[i]); ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    // "1e308" is a huge number, not 1.
    qsizetype e = i + 1;
    if (e < text.size() && (text[e] == '-' || text[e] == '+'))
        ++e;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E') && e < text.size() &&
        isDigit(text[e])) {
        int exponent = 0;
        for (; e < text.size() && isDigit(text[e]) && exponent < 10000; ++e)
            exponent = exponent * 10 + (text[e] - '0');
        value *= std::pow(10.0, text[i + 1] == '-' ? -exponent : exponent);
    }
    return sign * value;
}

std::optional<int> DoorValue::wholeAzimuth(double degrees)
{
    if (!(degrees >= kLowestAzimuth && degrees <= kHighestAzimuth))
        return std::nullopt;
    const long rounded = std::lround(degrees);
    return int((rounded % 360 + 360) % 360);
}
