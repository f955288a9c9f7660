#include "core/Pauser.h"

TimerPauser::TimerPauser(QObject *context) : m_timer(new QTimer(context))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
        // The continuation may start the next pause: take it out first.
        auto then = std::exchange(m_then, nullptr);
        if (then)
            then();
    });
}

TimerPauser::~TimerPauser()
{
    delete m_timer;
}

void TimerPauser::after(int ms, std::function<void()> then)
{
    if (!m_timer)
        return;
    m_then = std::move(then);
    m_timer->start(qMax(0, ms));
}

void TimerPauser::cancel()
{
    if (m_timer)
        m_timer->stop();
    m_then = nullptr;
}
