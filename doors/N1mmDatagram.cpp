#include "doors/N1mmDatagram.h"

#include "doors/DoorValue.h"

namespace {
// The text between the first <tag> and the </tag> after it.
std::optional<QByteArrayView> tagValue(QByteArrayView datagram, QByteArrayView tag)
{
    const QByteArray opening = '<' + tag.toByteArray() + '>';
    const qsizetype open = datagram.indexOf(opening);
    if (open < 0)
        return std::nullopt;
    const qsizetype from = open + opening.size();
    const qsizetype close = datagram.indexOf("</" + tag.toByteArray() + '>', from);
    if (close < 0)
        return std::nullopt;
    return datagram.sliced(from, close - from);
}

// One line of printable text; '@' would mislead the listener that reads the heading after it.
QString cleanName(QByteArrayView raw)
{
    QString name = QString::fromUtf8(raw);
    for (QChar &c : name) {
        if (!c.isPrint() || c == u'@')
            c = u' ';
    }
    return name.simplified().left(N1mmDatagram::kMaxNameLength);
}
} // namespace

std::optional<N1mmCommand> N1mmDatagram::parse(QByteArrayView datagram)
{
    if (datagram.size() > kMaxSize)
        return std::nullopt;
    const QString rotor = cleanName(tagValue(datagram, "rotor").value_or(QByteArrayView()));
    if (datagram.contains("<stop>"))
        return N1mmCommand{N1mmCommand::Kind::Stop, -1, rotor};
    const std::optional<QByteArrayView> goazi = tagValue(datagram, "goazi");
    if (!goazi)
        return std::nullopt;
    const std::optional<double> degrees = DoorValue::leadingNumber(*goazi);
    const std::optional<int> azimuth = degrees ? DoorValue::wholeAzimuth(*degrees) : std::nullopt;
    if (!azimuth)
        return std::nullopt;
    return N1mmCommand{N1mmCommand::Kind::Turn, *azimuth, rotor};
}

QByteArray N1mmDatagram::heading(const QString &rotor, int azimuth)
{
    return rotor.toUtf8() + " @ " + QByteArray::number(azimuth * 10);
}
