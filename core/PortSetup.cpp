#include "core/PortSetup.h"

#include "core/Int16.h"
#include "core/SerialPort.h"

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

bool apply(SerialPort &port, const RotorProfile &profile, Order order)
{
    const auto onNumber = [&] {
        if (port.portOpen() && !port.setPortOpen(false))
            return false;
        const std::optional<int> number = portNumber(profile.RotorPort);
        return number && port.setCommPort(*number);
    };
    const auto lines = [&] {
        const std::optional<int> handshake = handshakeCode(profile.RotorHandshake);
        return port.setSettings(settingsText(profile)) && handshake &&
               port.setHandshaking(*handshake) && port.setInputLen(0);
    };
    if (order == Order::LinesThenOpen)
        return onNumber() && lines() && port.setPortOpen(true);
    if (profile.RotorPort != kDemoModel && !(onNumber() && port.setPortOpen(true)))
        return false;
    return lines();
}

} // namespace PortSetup
