#pragma once

#include <QtGlobal>
#include <optional>

// Where the rotor points at a given millisecond: it turns towards its target at a fixed speed
// within 0..360 and never through north, like a rotator at the ends of its range.
class RotorMotion
{
public:
    RotorMotion(double degreesPerSecond, double azimuth);

    // Time never goes back: an earlier time leaves the rotor where it is.
    void advanceTo(qint64 ms);
    void turnTo(double target, qint64 ms);
    void stop(qint64 ms);

    double azimuth() const { return m_azimuth; }
    int wholeAzimuth() const;
    bool turning() const { return m_target.has_value(); }
    std::optional<double> target() const { return m_target; }
    // The millisecond the rotor reaches its target, if it is turning.
    std::optional<qint64> arrivalMs() const;

private:
    double m_speed;
    double m_azimuth;
    std::optional<double> m_target;
    qint64 m_lastMs = 0;
};
