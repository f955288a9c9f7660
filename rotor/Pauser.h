#pragma once

#include <QObject>

#include <functional>

// A pause that never blocks the window: the continuation runs from the event loop after `ms`.
class Pauser
{
public:
    virtual ~Pauser() = default;
    virtual void after(int ms, std::function<void()> then) = 0;
};

// Pauses on single-shot QTimers; the pending ones die with the context object.
class TimerPauser : public Pauser
{
public:
    explicit TimerPauser(QObject *context) : m_context(context) {}
    void after(int ms, std::function<void()> then) override;

private:
    QObject *m_context;
};
