#include "core/Int16.h"

#include <QRegularExpression>

std::optional<qint16> toInt16(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^([+-]?)(\d*)(?:\.(\d*))?$)"));
    const QRegularExpressionMatch match = number.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString whole = match.captured(2);
    const QString fraction = match.captured(3);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;

    QString digits = whole;
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    if (digits.size() > 6)
        return std::nullopt;
    qint64 value = digits.isEmpty() ? 0 : digits.toLongLong();

    // Round on the exact decimal digits, a half to the even neighbour.
    if (!fraction.isEmpty()) {
        const QChar first = fraction.front();
        const bool restNonZero =
            fraction.mid(1).contains(QRegularExpression(QStringLiteral("[1-9]")));
        if (first > u'5' || (first == u'5' && (restNonZero || value % 2 == 1)))
            ++value;
    }
    if (match.captured(1) == u"-")
        value = -value;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return static_cast<qint16>(value);
}
