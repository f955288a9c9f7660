#pragma once

#include <QtGlobal>
#include <optional>

// Where the rotor points at a given millisecond: it turns towards its target at a set speed
// within 0..maximum and never through north, like a rotator at the ends of its range.
class RotorMotion
{
public:
    static constexpr double DefaultMaximum = 360.0;

    RotorMotion(double degreesPerSecond, double azimuth);

    // Time never goes back: an earlier time leaves the rotor where it is.
    void advanceTo(qint64 ms);
    void turnTo(double target, qint64 ms);
    void stop(qint64 ms);
    // From ms on; a turn under way goes on at the new speed.
    void setSpeed(double degreesPerSecond, qint64 ms);
    // The end of the range (360, or 450 for a box that turns past north); a rotor or a target
    // beyond a smaller one is brought back to it.
    void setMaximum(double maximum, qint64 ms);

    double azimuth() const { return m_azimuth; }
    int wholeAzimuth() const;
    double maximum() const { return m_maximum; }
    double speed() const { return m_speed; }
    bool turning() const { return m_target.has_value(); }
    std::optional<double> target() const { return m_target; }
    // The millisecond the rotor reaches its target, if it is turning.
    std::optional<qint64> arrivalMs() const;

private:
    double m_speed;
    double m_maximum = DefaultMaximum;
    double m_azimuth;
    std::optional<double> m_target;
    qint64 m_lastMs = 0;
};
