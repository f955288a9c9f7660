#include "sim/RotorMotion.h"

#include <algorithm>
#include <cmath>

RotorMotion::RotorMotion(double degreesPerSecond, double azimuth)
    : m_speed(degreesPerSecond), m_azimuth(std::clamp(azimuth, 0.0, DefaultMaximum))
{}

void RotorMotion::advanceTo(qint64 ms)
{
    if (ms <= m_lastMs)
        return;
    if (m_target) {
        // Arrival is decided on the same whole millisecond arrivalMs() names, so a caller
        // that wakes at that time always finds the rotor stopped.
        if (ms >= *arrivalMs()) {
            m_azimuth = *m_target;
            m_target.reset();
        } else {
            const double step = m_speed * double(ms - m_lastMs) / 1000.0;
            m_azimuth += *m_target > m_azimuth ? step : -step;
        }
    }
    m_lastMs = ms;
}

void RotorMotion::turnTo(double target, qint64 ms)
{
    advanceTo(ms);
    target = std::clamp(target, 0.0, m_maximum);
    if (target == m_azimuth)
        m_target.reset();
    else
        m_target = target;
}

void RotorMotion::stop(qint64 ms)
{
    advanceTo(ms);
    m_target.reset();
}

void RotorMotion::setSpeed(double degreesPerSecond, qint64 ms)
{
    advanceTo(ms);
    m_speed = degreesPerSecond;
}

void RotorMotion::setMaximum(double maximum, qint64 ms)
{
    advanceTo(ms);
    m_maximum = maximum;
    m_azimuth = std::min(m_azimuth, maximum);
    if (m_target)
        turnTo(*m_target, ms);
}

int RotorMotion::wholeAzimuth() const
{
    return std::clamp(int(std::lround(m_azimuth)), 0, int(m_maximum));
}

std::optional<qint64> RotorMotion::arrivalMs() const
{
    if (!m_target)
        return std::nullopt;
    const double ms = std::ceil(std::abs(*m_target - m_azimuth) / m_speed * 1000.0);
    return m_lastMs + std::max<qint64>(1, qint64(ms));
}
