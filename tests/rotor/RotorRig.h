#pragma once

#include "core/Pauser.h"
#include "tests/support/Recorders.h"

#include <QStringList>

#include <functional>

// Pauses that wait for the test: each is logged, and runs only when the test fires it.
class FakePauser : public Pauser
{
public:
    explicit FakePauser(QStringList &log) : m_log(log) {}
    void after(int ms, std::function<void()> then) override
    {
        m_log << QStringLiteral("P %1").arg(ms);
        m_then = std::move(then);
    }
    void cancel() override { m_then = nullptr; }
    bool pending() const { return bool(m_then); }
    // Ends the waiting pause; false when none waits.
    bool fire()
    {
        auto then = std::exchange(m_then, nullptr);
        if (!then)
            return false;
        then();
        return true;
    }
    void runAll()
    {
        for (int guard = 0; guard < 10000 && fire(); ++guard) {
        }
    }

private:
    QStringList &m_log;
    std::function<void()> m_then;
};
