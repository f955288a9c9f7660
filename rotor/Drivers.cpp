#include "rotor/Drivers.h"

#include "app/MainPanel.h"

#include <QRegularExpression>

using Kind = DriveStep::Kind;

namespace {
const QString kStx = QStringLiteral("\x02");
const QString kCr = QStringLiteral("\r");

DriveStep write(const QString &bytes) { return {Kind::Write, bytes}; }
DriveStep pause(int ms) { return {Kind::Pause, {}, ms}; }
DriveStep light(quint32 rgb) { return {Kind::Light, {}, int(rgb)}; }
DriveStep gradi(const QString &caption) { return {Kind::Gradi, caption}; }
DriveStep step(Kind kind) { return {kind, {}}; }
} // namespace

namespace Drivers {

std::optional<QString> acceptAzimuth(const QString &text, bool stopCodes)
{
    if (stopCodes && (text == u"977" || text == u"999"))
        return text;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    if (!digits.match(text).hasMatch() || text.toInt() > 359)
        return std::nullopt;
    return text.rightJustified(3, u'0');
}

DriveSteps prosistelBC(const QString &azimuth, int delay, bool stop)
{
    DriveSteps steps{light(MainPanel::kRed), gradi(QStringLiteral("ACK")),
                     write(kStx), pause(delay), write(QStringLiteral("0")), pause(delay)};
    if (stop) {
        steps << gradi(QStringLiteral("STOP"));
    } else {
        steps << write(kStx) << pause(delay);
        for (QChar digit : azimuth)
            steps << write(digit) << gradi(digit) << pause(delay) << gradi(azimuth);
    }
    steps << write(kCr) << pause(delay) << step(Kind::Beep) << light(MainPanel::kLightGreen)
          << step(Kind::Acknowledge) << step(Kind::Caption);
    return steps;
}

DriveSteps rotorEzDcu1(const QString &azimuth, int delay)
{
    return {light(MainPanel::kRed),
            pause(delay),
            write(QStringLiteral("AP1") + azimuth + QStringLiteral(";\r")),
            gradi(azimuth),
            pause(delay),
            write(QStringLiteral("AM1;")),
            step(Kind::Beep),
            step(Kind::Beep),
            light(MainPanel::kLightGreen),
            step(Kind::Acknowledge),
            step(Kind::Caption)};
}

DriveSteps hyGain(const QString &azimuth, int delay)
{
    // As Rotor-EZ, with CR LF ending the first command and no acknowledgement.
    DriveSteps steps = rotorEzDcu1(azimuth, delay);
    steps[2] = write(QStringLiteral("AP1") + azimuth + QStringLiteral("\r\n"));
    steps.removeAt(9);
    return steps;
}

DriveSteps prosistelD(const QString &azimuth, bool stop)
{
    const bool code = azimuth == u"977" || azimuth == u"999";
    DriveSteps steps{light(MainPanel::kRed), gradi(QStringLiteral("ACK"))};
    if (!stop)
        steps << write(kStx + QStringLiteral("AG977") + kCr) << gradi(QStringLiteral("STOP"));
    steps << write(kStx + QStringLiteral("AG") + azimuth + kCr)
          << gradi(code ? QStringLiteral("STOP") : azimuth) << step(Kind::Beep)
          << light(MainPanel::kLightGreen) << step(Kind::Acknowledge) << step(Kind::Caption);
    return steps;
}

} // namespace Drivers
