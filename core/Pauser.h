#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

// Serves a drive's pauses on the event loop, so the window never freezes: at most one pause
// waits at a time.
class Pauser
{
public:
    virtual ~Pauser() = default;
    // Runs `then` once, `ms` milliseconds from now, replacing any pause still waiting.
    virtual void after(int ms, std::function<void()> then) = 0;
    // Forgets the waiting pause, if any; its continuation never runs.
    virtual void cancel() = 0;
};

// Pauses on a single-shot QTimer living in the context object's tree; it goes with whichever of
// the two ends first.
class TimerPauser : public Pauser
{
public:
    explicit TimerPauser(QObject *context = nullptr);
    ~TimerPauser() override;
    TimerPauser(const TimerPauser &) = delete;
    TimerPauser &operator=(const TimerPauser &) = delete;
    void after(int ms, std::function<void()> then) override;
    void cancel() override;

private:
    QPointer<QTimer> m_timer;
    std::function<void()> m_then;
};
