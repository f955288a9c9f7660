#include "core/DBusWire.h"

#include <QtEndian>

namespace {
enum Field : char { kPath = 1, kInterface = 2, kMember = 3, kDestination = 6, kSignature = 8 };
constexpr qsizetype kFieldsLengthAt = 12;
constexpr qsizetype kFixedHeader = 16;

// Alignment counts from the start of the message, which every buffer here is.
void pad(QByteArray &b, int to)
{
    b.append((to - b.size() % to) % to, '\0');
}

void putU32(QByteArray &b, quint32 value)
{
    pad(b, 4);
    char bytes[4];
    qToLittleEndian(value, bytes);
    b.append(bytes, 4);
}

void putString(QByteArray &b, const QByteArray &text)
{
    putU32(b, quint32(text.size()));
    b.append(text);
    b.append('\0');
}

void putSignature(QByteArray &b, const QByteArray &signature)
{
    b.append(char(signature.size()));
    b.append(signature);
    b.append('\0');
}

void putField(QByteArray &b, Field code, char type, const QByteArray &value)
{
    pad(b, 8);
    b.append(char(code));
    putSignature(b, QByteArray(1, type));
    if (type == 'g')
        putSignature(b, value);
    else
        putString(b, value);
}
} // namespace

QByteArray DBusWire::compose(const Message &message)
{
    QByteArray wire;
    wire.reserve(128 + 16 * message.arguments.size());
    wire.append('l');
    wire.append(char(message.type));
    wire.append('\0'); // no flags
    wire.append('\1'); // protocol version
    putU32(wire, 0);   // the body's length, set below
    putU32(wire, message.serial);
    putU32(wire, 0); // the header fields' length, set below
    if (!message.path.isEmpty())
        putField(wire, kPath, 'o', message.path);
    if (!message.interface.isEmpty())
        putField(wire, kInterface, 's', message.interface);
    if (!message.member.isEmpty())
        putField(wire, kMember, 's', message.member);
    if (!message.destination.isEmpty())
        putField(wire, kDestination, 's', message.destination);
    if (!message.arguments.isEmpty())
        putField(wire, kSignature, 'g', QByteArray(message.arguments.size(), 's'));
    qToLittleEndian(quint32(wire.size() - kFixedHeader), wire.data() + kFieldsLengthAt);
    pad(wire, 8);
    const qsizetype bodyStart = wire.size();
    for (const QByteArray &argument : message.arguments)
        putString(wire, argument);
    qToLittleEndian(quint32(wire.size() - bodyStart), wire.data() + 4);
    return wire;
}
