#pragma once

#include "sim/RotorMotion.h"
#include "sim/SimEvent.h"

#include <QByteArray>
#include <QString>
#include <optional>

// A rotor controller as the program sees it on the line: takes the bytes it receives at a given
// millisecond and answers as its family does, turning at a set speed. Time comes from the
// caller, so tests move the clock by hand.
class ControllerModel
{
public:
    enum class Family { ProsistelD, ProsistelBC, RotorEz, Dcu1, HyGain };

    static std::optional<Family> familyFromName(const QString &name);
    static QString familyName(Family family);

    // A frame that grows this long without its end is dropped.
    static constexpr qsizetype MaxFrame = 256;
    static constexpr qint64 ReportIntervalMs = 1000;

    ControllerModel(Family family, double degreesPerSecond, double azimuth);

    SimEvents receive(const QByteArray &bytes, qint64 ms);
    // Moves the rotor and sends what falls due by then (streamed reports, the stop report).
    SimEvents advanceTo(qint64 ms);
    // When advanceTo() next has something to do; none while the rotor stands still.
    std::optional<qint64> nextWakeMs() const;

    Family family() const { return m_family; }
    double azimuth() const { return m_motion.azimuth(); }
    bool turning() const { return m_motion.turning(); }

private:
    void moveTo(qint64 ms);
    void takeByte(char byte, qint64 ms);
    void takeProsistelD(char byte, qint64 ms);
    void takeProsistelBC(char byte, qint64 ms);
    void takeIdiom(char byte, qint64 ms);
    void runProsistelD(const QByteArray &frame, qint64 ms);
    void runProsistelBC(const QByteArray &frame, qint64 ms);
    void runIdiom(const QByteArray &frame, qint64 ms);
    void dropIfTooLong();

    void turnTo(int target, qint64 ms);
    void stop(qint64 ms, const QString &how);
    void arrived();
    bool reportsWhileTurning() const;
    void sendReport();

    void received(const QByteArray &frame);
    void send(const QByteArray &bytes);
    void note(const QString &text, const QByteArray &bytes = {});

    Family m_family;
    RotorMotion m_motion;
    QByteArray m_frame;
    std::optional<int> m_pendingTarget; // Idiom boxes: set by AP1, started by AM1
    std::optional<qint64> m_nextReportMs;
    bool m_monitoring = true; // Prosistel D streams its position until AS
    SimEvents m_out;
};
