#pragma once

#include <QtGlobal>

// The banner's pseudo-random numbers: a 24-bit linear congruential generator (full period) that
// starts from the same seed at every run, so every run shows the same lines. Its values are
// x / 2^24, exact in single precision and always below 1.
class BannerRandom
{
public:
    static constexpr quint32 kSeed = 0x50000;
    static constexpr quint32 kMultiplier = 0x43FD43FD;
    static constexpr quint32 kIncrement = 0xC39EC3;
    static constexpr quint32 kMask = 0xFFFFFF;
    static constexpr float kScale = 16777216.0f; // 2^24

    // The next u, 0 <= u < 1.
    constexpr float next()
    {
        m_state = (m_state * kMultiplier + kIncrement) & kMask;
        return float(m_state) / kScale;
    }

private:
    quint32 m_state = kSeed;
};
