#include "sim/ControllerModel.h"

#include <algorithm>

using Cut = SimFamily::Cut;

ControllerModel::ControllerModel(const SimFamily &family, const ControllerSettings &settings)
    : m_family(&family), m_settings(settings),
      m_motion(settings.degreesPerSecond, settings.startAzimuth)
{}

SimEvents ControllerModel::receive(const QByteArray &bytes, qint64 ms)
{
    moveTo(ms);
    for (const char byte : bytes)
        takeByte(byte);
    flushStray();
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

// Steps through every report and the arrival due by ms, so each report carries the azimuth and
// the time of its own moment even when the caller wakes late.
void ControllerModel::moveTo(qint64 ms)
{
    while (const auto arrival = m_motion.arrivalMs()) {
        const bool reportFirst = m_nextReportMs && *m_nextReportMs < *arrival;
        const qint64 due = reportFirst ? *m_nextReportMs : *arrival;
        if (due > ms)
            break;
        m_now = std::max(m_now, due);
        m_motion.advanceTo(due);
        if (reportFirst) {
            sendReport();
            *m_nextReportMs += ReportIntervalMs;
        } else {
            arrived();
        }
    }
    m_now = std::max(m_now, ms);
    m_motion.advanceTo(ms);
}

void ControllerModel::takeByte(char byte)
{
    const Cut cut = m_family->cut(m_frame, byte);
    if (cut == Cut::Stray) {
        m_stray.append(byte);
        if (m_stray.size() >= MaxFrame)
            flushStray();
        return;
    }
    flushStray();
    switch (cut) {
    case Cut::Append:
        m_frame.append(byte);
        dropIfTooLong();
        break;
    case Cut::End:
        m_frame.append(byte);
        run(std::exchange(m_frame, {}));
        break;
    case Cut::Alone:
        run(QByteArray(1, byte));
        break;
    case Cut::Restart:
        received(m_frame);
        note(QStringLiteral("ignored: cut short by the next frame"));
        m_frame = QByteArray(1, byte);
        break;
    case Cut::Skip:
        received(QByteArray(1, byte));
        break;
    case Cut::Stray:
        break;
    }
}

void ControllerModel::run(const QByteArray &frame)
{
    received(frame);
    m_family->run(*this, frame);
}

void ControllerModel::flushStray()
{
    if (m_stray.isEmpty())
        return;
    received(std::exchange(m_stray, {}));
    note(QStringLiteral("ignored: no frame starts here"));
}

void ControllerModel::dropIfTooLong()
{
    if (m_frame.size() < MaxFrame)
        return;
    received(m_frame);
    note(QStringLiteral("dropped: no end in %1 bytes").arg(m_frame.size()));
    m_frame.clear();
}

void ControllerModel::turnTo(double target)
{
    const bool wasTurning = m_motion.turning();
    note(QStringLiteral("target %1").arg(target));
    m_motion.turnTo(target, m_now);
    if (!m_motion.turning()) {
        if (wasTurning)
            arrived();
        else
            note(QStringLiteral("at %1").arg(m_motion.wholeAzimuth()));
        return;
    }
    if (!wasTurning && reportsWhileTurning())
        m_nextReportMs = m_now + ReportIntervalMs;
}

void ControllerModel::stop(const QString &how)
{
    const bool wasTurning = m_motion.turning();
    m_motion.stop(m_now);
    m_nextReportMs.reset();
    const QString at = QStringLiteral("stop at %1").arg(m_motion.wholeAzimuth());
    note(how.isEmpty() ? at : QStringLiteral("%1 (%2)").arg(at, how));
    if (wasTurning && m_family->stopReported && reportsWhileTurning())
        sendReport();
}

void ControllerModel::setMonitoring(bool on)
{
    m_monitoring = on;
    if (!reportsWhileTurning())
        m_nextReportMs.reset();
    else if (m_motion.turning() && !m_nextReportMs)
        m_nextReportMs = m_now + ReportIntervalMs;
}

void ControllerModel::setSpeed(double degreesPerSecond)
{
    m_motion.setSpeed(degreesPerSecond, m_now);
    note(QStringLiteral("%1 degrees a second").arg(degreesPerSecond));
}

void ControllerModel::setMaximum(double maximum)
{
    m_motion.setMaximum(maximum, m_now);
    note(QStringLiteral("range 0 to %1").arg(maximum));
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
    return m_family->stream && m_monitoring;
}

void ControllerModel::sendReport()
{
    send(m_family->stream(*this));
}

void ControllerModel::received(const QByteArray &frame)
{
    m_out.append({SimEvent::Kind::Received, frame, {}, m_now});
}

void ControllerModel::send(const QByteArray &bytes)
{
    m_out.append({SimEvent::Kind::Sent, bytes, {}, m_now});
}

void ControllerModel::note(const QString &text, const QByteArray &bytes)
{
    m_out.append({SimEvent::Kind::Note, bytes, text, m_now});
}
