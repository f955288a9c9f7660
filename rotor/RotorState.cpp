#include "rotor/RotorState.h"

namespace {
int orNone(int azimuth)
{
    return azimuth >= 0 && azimuth <= 359 ? azimuth : -1;
}
} // namespace

void RotorState::setCommanded(int azimuth)
{
    Value next = m_value;
    next.commanded = orNone(azimuth);
    set(next);
}

void RotorState::setReported(int azimuth)
{
    Value next = m_value;
    next.reported = orNone(azimuth);
    set(next);
}

void RotorState::setMoving(bool moving)
{
    Value next = m_value;
    next.moving = moving;
    set(next);
}

void RotorState::set(Value value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit changed(m_value);
}
