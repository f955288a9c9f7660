#include "sim/ControllerModel.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr char Stx = '\x02';
constexpr char Cr = '\r';
constexpr char Lf = '\n';

// 1 to 3 digits, leading zeros allowed.
std::optional<int> number(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> azimuthDigits(QByteArrayView digits)
{
    const auto value = number(digits);
    if (value && *value <= 360)
        return value;
    return std::nullopt;
}

QByteArray threeDigits(int value)
{
    return QByteArray::number(value).rightJustified(3, '0');
}

QByteArray prosistelD(const QByteArray &body)
{
    return Stx + body + Cr;
}

struct FamilyName
{
    const char *name;
    ControllerModel::Family family;
};

// The first name of each family is the one the simulator calls it by.
constexpr FamilyName FamilyNames[] = {
    {"PROSISTEL D", ControllerModel::Family::ProsistelD},
    {"BIG-BOY D", ControllerModel::Family::ProsistelD},
    {"PROSISTEL B/C", ControllerModel::Family::ProsistelBC},
    {"BIG-BOY B/C", ControllerModel::Family::ProsistelBC},
    {"ROTOR-EZ", ControllerModel::Family::RotorEz},
    {"DCU-1", ControllerModel::Family::Dcu1},
    {"HY-GAIN", ControllerModel::Family::HyGain},
};

constexpr char RotorEzBanner[] = "C2000 IDIOM V1.4S ";
constexpr std::string_view RotorEzOptions = "EeJjOoSs";

} // namespace

std::optional<ControllerModel::Family> ControllerModel::familyFromName(const QString &name)
{
    const QString wanted = name.simplified().toUpper();
    for (const auto &entry : FamilyNames) {
        if (wanted == QLatin1String(entry.name))
            return entry.family;
    }
    return std::nullopt;
}

QString ControllerModel::familyName(Family family)
{
    const auto entry = std::find_if(std::begin(FamilyNames), std::end(FamilyNames),
                                    [family](const FamilyName &e) { return e.family == family; });
    return QLatin1String(entry->name);
}

ControllerModel::ControllerModel(Family family, double degreesPerSecond, double azimuth)
    : m_family(family), m_motion(degreesPerSecond, azimuth)
{}

SimEvents ControllerModel::receive(const QByteArray &bytes, qint64 ms)
{
    moveTo(ms);
    for (const char byte : bytes)
        takeByte(byte, ms);
    return std::exchange(m_out, {});
}

SimEvents ControllerModel::advanceTo(qint64 ms)
{
    moveTo(ms);
    return std::exchange(m_out, {});
}

std::optional<qint64> ControllerModel::nextWakeMs() const
{
    const auto arrival = m_motion.arrivalMs();
    if (arrival && m_nextReportMs)
        return std::min(*arrival, *m_nextReportMs);
    return arrival;
}

// Steps through every report and the arrival due by ms, so each report carries the azimuth of
// its own time even when the caller wakes late.
void ControllerModel::moveTo(qint64 ms)
{
    while (const auto arrival = m_motion.arrivalMs()) {
        const bool reportFirst = m_nextReportMs && *m_nextReportMs < *arrival;
        const qint64 due = reportFirst ? *m_nextReportMs : *arrival;
        if (due > ms)
            break;
        m_motion.advanceTo(due);
        if (reportFirst) {
            sendReport();
            *m_nextReportMs += ReportIntervalMs;
        } else {
            arrived();
        }
    }
    m_motion.advanceTo(ms);
}

void ControllerModel::takeByte(char byte, qint64 ms)
{
    switch (m_family) {
    case Family::ProsistelD:
        takeProsistelD(byte, ms);
        break;
    case Family::ProsistelBC:
        takeProsistelBC(byte, ms);
        break;
    case Family::RotorEz:
    case Family::Dcu1:
    case Family::HyGain:
        takeIdiom(byte, ms);
        break;
    }
}

void ControllerModel::dropIfTooLong()
{
    if (m_frame.size() < MaxFrame)
        return;
    received(m_frame);
    note(QStringLiteral("dropped: no end in %1 bytes").arg(m_frame.size()));
    m_frame.clear();
}

// Prosistel D: STX, the command, CR. An STX inside a frame starts a new one, so a torn frame
// costs only itself.
void ControllerModel::takeProsistelD(char byte, qint64 ms)
{
    if (byte == Stx && !m_frame.isEmpty()) {
        received(m_frame);
        note(QStringLiteral("ignored: no CR before the next STX"));
        m_frame.clear();
    }
    m_frame.append(byte);
    if (byte == Cr)
        runProsistelD(std::exchange(m_frame, {}), ms);
    else
        dropIfTooLong();
}

void ControllerModel::runProsistelD(const QByteArray &frame, qint64 ms)
{
    received(frame);
    QByteArrayView body(frame);
    body.chop(1);
    if (body.startsWith(Stx))
        body = body.sliced(1);

    if (body == "A?") {
        sendReport();
        return;
    }
    if (body == "AS") {
        send(prosistelD("A,S,R"));
        m_monitoring = false;
        m_nextReportMs.reset();
        note(QStringLiteral("monitoring off"));
        return;
    }
    const auto value = body.startsWith("AG") ? number(body.sliced(2)) : std::nullopt;
    if (value && (*value <= 360 || *value == 977 || *value == 997 || *value == 999)) {
        send(prosistelD("A,G,R"));
        if (*value == 977)
            stop(ms, QStringLiteral("soft"));
        else if (*value == 999)
            stop(ms, QStringLiteral("fast"));
        else if (*value == 997)
            stop(ms, QStringLiteral("AG997, Hamlib's stop"));
        else
            turnTo(*value, ms);
        return;
    }
    send(prosistelD("A,?,E,00001"));
    note(QStringLiteral("unknown command, error sent"));
}

// Prosistel B/C: bytes come one at a time, seconds apart; a frame ends at CR.
void ControllerModel::takeProsistelBC(char byte, qint64 ms)
{
    m_frame.append(byte);
    if (byte == Cr)
        runProsistelBC(std::exchange(m_frame, {}), ms);
    else
        dropIfTooLong();
}

void ControllerModel::runProsistelBC(const QByteArray &frame, qint64 ms)
{
    received(frame);
    const QByteArrayView body = QByteArrayView(frame).chopped(1);
    const QByteArrayView head("\x02"
                              "0");
    if (body == head) {
        stop(ms, {});
    } else if (body.startsWith(head) && body.size() > 3 && body[2] == Stx &&
               azimuthDigits(body.sliced(3))) {
        turnTo(*azimuthDigits(body.sliced(3)), ms);
    } else {
        note(QStringLiteral("ignored"));
        return;
    }
    sendReport();
}

// Rotor-EZ, DCU-1 and Hy-Gain speak the DCU-1 language: commands end with ';'. Between
// commands a CR or LF is ignored, a lone ';' is a command of its own, and on a Rotor-EZ a
// single option letter is a setting.
void ControllerModel::takeIdiom(char byte, qint64 ms)
{
    if (m_frame.isEmpty()) {
        if (byte == Cr || byte == Lf) {
            received(QByteArray(1, byte));
            return;
        }
        if (byte == ';') {
            runIdiom(QByteArray(1, byte), ms);
            return;
        }
        if (m_family == Family::RotorEz && RotorEzOptions.find(byte) != std::string_view::npos) {
            received(QByteArray(1, byte));
            note(QStringLiteral("setting %1").arg(QLatin1Char(byte)));
            return;
        }
    }
    m_frame.append(byte);
    if (byte == ';' || byte == Cr || byte == Lf)
        runIdiom(std::exchange(m_frame, {}), ms);
    else
        dropIfTooLong();
}

void ControllerModel::runIdiom(const QByteArray &frame, qint64 ms)
{
    received(frame);
    if (frame == ";") {
        if (m_family != Family::RotorEz) {
            note(QStringLiteral("reset"));
            m_pendingTarget.reset();
            if (m_motion.turning())
                stop(ms, {});
        } else if (m_motion.turning()) {
            stop(ms, {});
        } else {
            send(RotorEzBanner);
        }
        return;
    }
    const char end = frame.back();
    const QByteArrayView body = QByteArrayView(frame).chopped(1);
    const auto target = body.startsWith("AP1") ? azimuthDigits(body.sliced(3)) : std::nullopt;
    if (target && end == ';') {
        m_pendingTarget = target;
        note(QStringLiteral("target %1, waiting for AM1").arg(*target));
    } else if (target && end == Cr && m_family != Family::Dcu1) {
        m_pendingTarget = target;
        turnTo(*target, ms);
    } else if (body == "AM1" && end == ';') {
        if (m_pendingTarget)
            turnTo(*m_pendingTarget, ms);
        else
            note(QStringLiteral("no target to turn to"));
    } else if (body == "AS1" && end == ';') {
        stop(ms, {});
    } else if (body == "AI1" && end == ';' && m_family == Family::RotorEz) {
        send(';' + threeDigits(m_motion.wholeAzimuth()));
    } else {
        note(QStringLiteral("ignored"));
    }
}

void ControllerModel::turnTo(int target, qint64 ms)
{
    const bool wasTurning = m_motion.turning();
    note(QStringLiteral("target %1").arg(target));
    m_motion.turnTo(target, ms);
    if (!m_motion.turning()) {
        if (wasTurning)
            arrived();
        else
            note(QStringLiteral("at %1").arg(m_motion.wholeAzimuth()));
        return;
    }
    if (!wasTurning && reportsWhileTurning())
        m_nextReportMs = ms + ReportIntervalMs;
}

void ControllerModel::stop(qint64 ms, const QString &how)
{
    const bool wasTurning = m_motion.turning();
    m_motion.stop(ms);
    m_nextReportMs.reset();
    const QString at = QStringLiteral("stop at %1").arg(m_motion.wholeAzimuth());
    note(how.isEmpty() ? at : QStringLiteral("%1 (%2)").arg(at, how));
    if (wasTurning && m_family == Family::ProsistelD && m_monitoring)
        sendReport();
}

void ControllerModel::arrived()
{
    m_nextReportMs.reset();
    note(QStringLiteral("at %1").arg(m_motion.wholeAzimuth()));
    if (reportsWhileTurning())
        sendReport();
}

bool ControllerModel::reportsWhileTurning() const
{
    return m_family == Family::ProsistelBC || (m_family == Family::ProsistelD && m_monitoring);
}

// The position as the family gives it: Prosistel D's "A,?,ddd,B|R" frame (the answer to A? and
// its monitoring stream alike), or B/C's azimuth plus 70.
void ControllerModel::sendReport()
{
    const int az = m_motion.wholeAzimuth();
    if (m_family == Family::ProsistelD)
        send(prosistelD("A,?," + threeDigits(az) + ',' + (m_motion.turning() ? 'B' : 'R')));
    else if (m_family == Family::ProsistelBC)
        send(threeDigits(az + 70) + Cr);
}

void ControllerModel::received(const QByteArray &frame)
{
    m_out.append({SimEvent::Kind::Received, frame, {}});
}

void ControllerModel::send(const QByteArray &bytes)
{
    m_out.append({SimEvent::Kind::Sent, bytes, {}});
}

void ControllerModel::note(const QString &text, const QByteArray &bytes)
{
    m_out.append({SimEvent::Kind::Note, bytes, text});
}
