#include "core/SerialSettings.h"

#include <QRegularExpression>

std::optional<SerialSettings> SerialSettings::parse(const QString &text)
{
    // [0-9] rather than \d, which would also take digits of other scripts. The baud rate is no
    // 16-bit value (38400, 115200), so it is read here rather than through toInt16.
    static const QRegularExpression form(
        QStringLiteral(R"(^([0-9]{1,7}), *([NEOMSneoms]), *([5-8]), *(1|1\.5|2)$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    SerialSettings settings;
    settings.baud = match.captured(1).toInt();
    if (settings.baud <= 0)
        return std::nullopt;
    switch (match.captured(2).toUpper().front().toLatin1()) {
    case 'E':
        settings.parity = Parity::Even;
        break;
    case 'O':
        settings.parity = Parity::Odd;
        break;
    case 'M':
        settings.parity = Parity::Mark;
        break;
    case 'S':
        settings.parity = Parity::Space;
        break;
    default:
        settings.parity = Parity::None;
        break;
    }
    settings.dataBits = match.captured(3).toInt();
    const QString stop = match.captured(4);
    settings.stopBits = stop == u"1"   ? StopBits::One
                        : stop == u"2" ? StopBits::Two
                                       : StopBits::OneAndHalf;
    return settings;
}
