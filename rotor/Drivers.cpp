#include "rotor/Drivers.h"

#include "app/MainPanel.h"
#include "configuration/Int16.h"

using Kind = DriveStep::Kind;

namespace {
constexpr QChar kStx = u'\x02';
constexpr QChar kCr = u'\r';

DriveStep write(const QString &bytes) { return {Kind::Write, bytes}; }
DriveStep pause(int ms) { return {Kind::Pause, {}, ms}; }
DriveStep light(quint32 rgb) { return {Kind::Light, {}, int(rgb)}; }
DriveStep gradi(const QString &caption) { return {Kind::Gradi, caption}; }
DriveStep beep() { return {Kind::Beep, {}}; }
DriveStep acknowledge() { return {Kind::Acknowledge, {}}; }
DriveStep caption() { return {Kind::Caption, {}}; }

bool isStopCode(const QString &text) { return text == u"977" || text == u"999"; }

// Rotor-EZ, DCU-1 and Hy-Gain: set the target, then start the movement.
DriveSteps setAndMove(const QString &setCommand, const QString &azimuth, int delay,
                      bool withAcknowledge)
{
    DriveSteps steps{light(MainPanel::kRed),  pause(delay), write(setCommand),
                     gradi(azimuth),          pause(delay), write(QStringLiteral("AM1;")),
                     beep(),                  beep(),       light(MainPanel::kLightGreen)};
    if (withAcknowledge)
        steps << acknowledge();
    steps << caption();
    return steps;
}
} // namespace

namespace Drivers {

std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes)
{
    if (stopCodes && isStopCode(text))
        return text;
    if (text.isEmpty() || text.size() > 3)
        return std::nullopt;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const std::optional<qint16> value = toInt16(text);
    if (!value || *value > 359)
        return std::nullopt;
    return text.rightJustified(3, u'0');
}

DriveSteps prosistelBC(const QString &azimuth, int delay, bool stop)
{
    DriveSteps steps{light(MainPanel::kRed), gradi(QStringLiteral("ACK")),
                     write(kStx),            pause(delay),
                     write(QStringLiteral("0")), pause(delay)};
    if (stop) {
        steps << gradi(QStringLiteral("STOP"));
    } else {
        steps << write(kStx) << pause(delay);
        for (QChar digit : azimuth)
            steps << write(digit) << gradi(digit) << pause(delay) << gradi(azimuth);
    }
    steps << write(kCr) << pause(delay) << beep() << light(MainPanel::kLightGreen) << acknowledge()
          << caption();
    return steps;
}

DriveSteps rotorEzDcu1(const QString &azimuth, int delay)
{
    return setAndMove(QStringLiteral("AP1") + azimuth + QStringLiteral(";\r"), azimuth, delay,
                      true);
}

DriveSteps hyGain(const QString &azimuth, int delay)
{
    return setAndMove(QStringLiteral("AP1") + azimuth + QStringLiteral("\r\n"), azimuth, delay,
                      false);
}

DriveSteps prosistelD(const QString &azimuth, bool stop)
{
    DriveSteps steps{light(MainPanel::kRed), gradi(QStringLiteral("ACK"))};
    if (!stop)
        steps << write(kStx + QStringLiteral("AG977") + kCr) << gradi(QStringLiteral("STOP"));
    steps << write(kStx + QStringLiteral("AG") + azimuth + kCr)
          << gradi(isStopCode(azimuth) ? QStringLiteral("STOP") : azimuth) << beep()
          << light(MainPanel::kLightGreen) << acknowledge() << caption();
    return steps;
}

} // namespace Drivers
