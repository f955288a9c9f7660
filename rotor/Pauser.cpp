#include "rotor/Pauser.h"

#include <QTimer>

void TimerPauser::after(int ms, std::function<void()> then)
{
    QTimer::singleShot(ms, m_context, std::move(then));
}
