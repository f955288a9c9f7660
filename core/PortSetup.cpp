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

bool apply(SerialPort &port, const RotorProfile &profile, Order order, QString *why)
{
    const auto refused = [&](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    const auto portRefused = [&] { return refused(port.errorString()); };
    const auto onNumber = [&] {
        if (port.portOpen() && !port.setPortOpen(false))
            return portRefused();
        const std::optional<int> number = portNumber(profile.RotorPort);
        if (!number)
            return refused(QStringLiteral("port \"%1\" is not a number").arg(profile.RotorPort));
        return port.setCommPort(*number) || portRefused();
    };
    const auto open = [&] { return port.setPortOpen(true) || portRefused(); };
    const auto lines = [&] {
        if (!port.setSettings(settingsText(profile)))
            return portRefused();
        const std::optional<int> handshake = handshakeCode(profile.RotorHandshake);
        if (!handshake)
            return refused(QStringLiteral("handshake \"%1\" does not start with 0 to 3")
                               .arg(profile.RotorHandshake));
        return (port.setHandshaking(*handshake) && port.setInputLen(0)) || portRefused();
    };
    if (order == Order::LinesThenOpen)
        return onNumber() && lines() && open();
    if (profile.RotorPort != kDemoModel && !(onNumber() && open()))
        return false;
    return lines();
}

} // namespace PortSetup
