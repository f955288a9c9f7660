#include "doors/RepeatedTarget.h"

void RepeatedTarget::setSent(int azimuth)
{
    m_target = azimuth;
    m_reached = false;
}

void RepeatedTarget::observe(int reported)
{
    if (m_target && reported == *m_target)
        m_reached = true;
}

bool RepeatedTarget::isRepeat(int azimuth, int reported, int commanded)
{
    observe(reported);
    if (!mayRepeat(azimuth) || commanded != azimuth)
        return false;
    return !m_reached || reported == azimuth;
}
