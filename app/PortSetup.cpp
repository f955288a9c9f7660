#include "app/PortSetup.h"

#include "configuration/Int16.h"

namespace PortSetup {

QString settingsText(const RotorProfile &profile)
{
    return profile.RotorBaud + QStringLiteral(", ") + profile.RotorSet;
}

std::optional<int> handshakeCode(const QString &handshake)
{
    const std::optional<qint16> code = toInt16(handshake.trimmed().left(1));
    if (!code)
        return std::nullopt;
    return *code;
}

std::optional<int> portNumber(const QString &port)
{
    const std::optional<qint16> number = toInt16(port);
    if (!number)
        return std::nullopt;
    return *number;
}

} // namespace PortSetup
