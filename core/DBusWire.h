#pragma once

#include <QByteArray>
#include <QList>

// D-Bus messages whose arguments are all strings, as bytes ready for the wire (little-endian):
// composed in one pass, where libdbus rewrites the header for every argument it appends.
namespace DBusWire {

enum class Type : char { MethodCall = 1, MethodReturn = 2, Error = 3, Signal = 4 };

struct Message
{
    Type type = Type::Signal;
    quint32 serial = 1; // never 0 on the wire
    QByteArray path;
    QByteArray interface;
    QByteArray member;
    QByteArray destination;      // none when empty
    QList<QByteArray> arguments; // UTF-8, without NUL
};

QByteArray compose(const Message &message);

} // namespace DBusWire
