#include "rotor/RotorDrivers.h"

#include "core/MainPanel.h"
#include "core/Version.h"
#include "rotor/Azimuth.h"

namespace RotorDrivers {

namespace {
constexpr QChar kStx{0x02};
constexpr QChar kCr{0x0D};
constexpr QChar kLf{0x0A};

const QString kAck = QStringLiteral("ACK");
const QString kStop = QStringLiteral("STOP");
const QString kOk = QStringLiteral("OK");

void correctDelay(qint16 &delay)
{
    if (delay < 0)
        delay = 1;
}

QString failure(const char *family)
{
    return QLatin1String(family) + QLatin1String(" CMD ROTOR ERROR ") + kVersion;
}

// The common end of a completed drive.
void finish(QList<DriveStep> &s, int beeps, bool acknowledge)
{
    for (int i = 0; i < beeps; ++i)
        s << DriveStep::beep();
    s << DriveStep::light(MainPanel::kLightGreen);
    if (acknowledge)
        s << DriveStep::acknowledge();
    s << DriveStep::caption();
}

std::optional<Drive> rotorEzFamily(const QString &target, qint16 &delay, bool hyGain)
{
    const std::optional<QString> az = acceptAzimuth(target);
    if (!az)
        return std::nullopt;
    const int d = delay;
    const QString terminator = hyGain ? QString{kCr} + kLf : QStringLiteral(";") + kCr;
    Drive drive{{}, *az, failure(hyGain ? "ROTOR-EZ/DCU1-HyGain" : "ROTOR-EZ/DCU1")};
    QList<DriveStep> &s = drive.steps;
    s << DriveStep::light(MainPanel::kRed) << DriveStep::pause(d)
      << DriveStep::write(QStringLiteral("AP1") + *az + terminator) << DriveStep::gradi(*az)
      << DriveStep::pause(d) << DriveStep::write(QStringLiteral("AM1;"));
    finish(s, 2, !hyGain);
    return drive;
}
} // namespace

std::optional<Drive> prosistelBC(const QString &target, bool stop, qint16 &delay)
{
    if (!stop && target == kOk)
        return std::nullopt;
    correctDelay(delay);
    std::optional<QString> az;
    if (!stop) {
        az = acceptAzimuth(target);
        if (!az)
            return std::nullopt;
    }
    const int d = delay;
    Drive drive{{}, stop ? QString() : *az, failure("PROSISTEL")};
    QList<DriveStep> &s = drive.steps;
    auto byte = [&](QChar c) { s << DriveStep::write(QString{c}) << DriveStep::pause(d); };
    s << DriveStep::light(MainPanel::kRed) << DriveStep::gradi(kAck);
    byte(kStx);
    byte(QLatin1Char('0'));
    if (stop) {
        s << DriveStep::gradi(kStop);
    } else {
        byte(kStx);
        for (QChar digit : *az) {
            s << DriveStep::write(QString{digit}) << DriveStep::gradi(QString{digit})
              << DriveStep::pause(d) << DriveStep::gradi(*az);
        }
    }
    byte(kCr);
    finish(s, 1, true);
    return drive;
}

std::optional<Drive> rotorEzDcu1(const QString &target, bool, qint16 &delay)
{
    if (target == kOk)
        return std::nullopt;
    correctDelay(delay);
    return rotorEzFamily(target, delay, false);
}

std::optional<Drive> hyGain(const QString &target, bool, qint16 &delay)
{
    correctDelay(delay);
    return rotorEzFamily(target, delay, true);
}

std::optional<Drive> prosistelD(const QString &target, bool stop, qint16 &delay)
{
    correctDelay(delay);
    const std::optional<QString> az = acceptAzimuth(target, true);
    if (!az)
        return std::nullopt;
    const QString stopFrame = kStx + QStringLiteral("AG977") + kCr;
    Drive drive{{}, *az, failure("PROSISTEL")};
    QList<DriveStep> &s = drive.steps;
    s << DriveStep::light(MainPanel::kRed) << DriveStep::gradi(kAck);
    if (!stop)
        s << DriveStep::write(stopFrame) << DriveStep::gradi(kStop);
    s << DriveStep::write(kStx + QStringLiteral("AG") + *az + kCr)
      << DriveStep::gradi(isProsistelDStopCode(*az) ? kStop : *az);
    finish(s, 1, true);
    return drive;
}

std::optional<Drive> library(const QString &target, bool stop, qint16 &)
{
    Drive drive{{}, {}, {}};
    QList<DriveStep> &s = drive.steps;
    if (stop) {
        // Whatever the text holds: a stop must never silently do nothing.
        s << DriveStep::light(MainPanel::kRed) << DriveStep::libraryStop()
          << DriveStep::gradi(kStop);
    } else {
        const std::optional<QString> az = acceptAzimuth(target);
        if (!az)
            return std::nullopt;
        drive.azimuth = *az;
        s << DriveStep::light(MainPanel::kRed) << DriveStep::gradi(*az)
          << DriveStep::librarySet(*az);
    }
    finish(s, 1, true);
    return drive;
}

} // namespace RotorDrivers
