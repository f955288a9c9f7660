#pragma once

#include "sim/RotorMotion.h"
#include "sim/SimEvent.h"
#include "sim/SimFamily.h"

#include <QByteArray>
#include <QString>
#include <optional>

// How the simulated controller is set up on the command line.
struct ControllerSettings
{
    double degreesPerSecond = 6.0;
    double startAzimuth = 0.0;
    bool k3ng = false;       // GS-232: the habits of K3NG's firmware
    int pulsesPerDegree = 2; // SPID Rot2Prog and MD-01/02: the resolution, 1, 2 or 4
};

// What a family keeps between frames, besides the rotor.
struct FamilyState
{
    std::optional<int> pendingTarget; // DCU-1 language: set by AP1, started by AM1
    bool southCentred = false;        // GS-232: toggled by Z
};

// A rotor controller as the program sees it on the line: takes the bytes it receives at a given
// millisecond and answers as its family (a row of SimFamily) does, turning at a set speed. Time
// comes from the caller, so tests move the clock by hand; every event carries the millisecond
// it happened at.
class ControllerModel
{
public:
    // A frame that grows this long without its end is dropped.
    static constexpr qsizetype MaxFrame = 256;
    static constexpr qint64 ReportIntervalMs = 1000;

    ControllerModel(const SimFamily &family, const ControllerSettings &settings);

    SimEvents receive(const QByteArray &bytes, qint64 ms);
    // Moves the rotor and sends what falls due by then (streamed reports, the stop report).
    SimEvents advanceTo(qint64 ms);
    // When advanceTo() next has something to do; none while the rotor stands still.
    std::optional<qint64> nextWakeMs() const;

    const SimFamily &family() const { return *m_family; }
    const ControllerSettings &settings() const { return m_settings; }
    double azimuth() const { return m_motion.azimuth(); }
    int wholeAzimuth() const { return m_motion.wholeAzimuth(); }
    double maximum() const { return m_motion.maximum(); }
    bool turning() const { return m_motion.turning(); }

    // For the frame handlers: each acts at the time of the frame being handled.
    FamilyState &state() { return m_state; }
    void turnTo(double target);
    void stop(const QString &how = {});
    void setMonitoring(bool on);
    void setSpeed(double degreesPerSecond);
    // 360, or 450 for a box that turns on past north.
    void setMaximum(double maximum);
    void send(const QByteArray &bytes);
    void note(const QString &text, const QByteArray &bytes = {});

private:
    void moveTo(qint64 ms);
    void takeByte(char byte);
    void run(const QByteArray &frame);
    void flushStray();
    void dropIfTooLong();
    void arrived();
    bool reportsWhileTurning() const;
    void sendReport();
    void received(const QByteArray &frame);

    const SimFamily *m_family;
    ControllerSettings m_settings;
    RotorMotion m_motion;
    FamilyState m_state;
    QByteArray m_frame;
    QByteArray m_stray; // bytes before any frame start, logged together
    qint64 m_now = 0;
    std::optional<qint64> m_nextReportMs;
    bool m_monitoring = true; // a streaming family reports while turning until told not to
    SimEvents m_out;
};
