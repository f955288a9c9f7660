#include "doors/PstDatagram.h"

#include "doors/DoorValue.h"

namespace {
using Kind = PstCommand::Kind;

// Tags whose value is read; the others are skipped whole, so "AZ?" inside one means nothing.
constexpr QByteArrayView kTags[] = {"AZIMUTH", "STOP", "ELEVATION", "TRACK", "PARK", "QRA"};

void add(QList<PstCommand> &commands, PstCommand command)
{
    commands.removeIf([&](const PstCommand &c) { return c.kind == command.kind; });
    commands.append(command);
}

bool isKnownTag(QByteArrayView name)
{
    for (QByteArrayView tag : kTags) {
        if (name == tag)
            return true;
    }
    return false;
}

void act(QList<PstCommand> &commands, QByteArrayView tag, QByteArrayView value)
{
    if (tag == "AZIMUTH") {
        if (const std::optional<double> degrees = DoorValue::leadingNumber(value)) {
            if (const std::optional<int> azimuth = DoorValue::wholeAzimuth(*degrees))
                add(commands, {Kind::Turn, *azimuth});
        }
    } else if (tag == "STOP") {
        const QByteArrayView digit = value.trimmed();
        if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9')
            add(commands, {Kind::Stop});
    }
}
} // namespace

QList<PstCommand> PstDatagram::parse(QByteArrayView datagram)
{
    QList<PstCommand> commands;
    if (datagram.size() > kMaxSize)
        return commands;
    qsizetype i = 0;
    while (i < datagram.size()) {
        const QByteArrayView rest = datagram.sliced(i);
        if (rest.startsWith("AZ?") || rest.startsWith("EL?")) {
            add(commands, {rest.startsWith("AZ?") ? Kind::AskAzimuth : Kind::AskElevation});
            i += 3;
            continue;
        }
        if (rest.front() != '<') {
            ++i;
            continue;
        }
        const qsizetype end = datagram.indexOf('>', i + 1);
        if (end < 0)
            break;
        const QByteArrayView name = datagram.sliced(i + 1, end - i - 1);
        i = end + 1;
        if (!isKnownTag(name))
            continue;
        const QByteArray closing = "</" + name.toByteArray() + '>';
        const qsizetype close = datagram.indexOf(closing, i);
        if (close < 0)
            continue;
        act(commands, name, datagram.sliced(i, close - i));
        i = close + closing.size();
    }
    return commands;
}

QByteArray PstDatagram::azimuthAnswer(int azimuth)
{
    return "AZ:" + QByteArray::number(azimuth).rightJustified(3, '0') + '\r';
}

QByteArray PstDatagram::elevationAnswer()
{
    return "EL:0\r";
}
