#include "tests/support/FakeRotatorLibrary.h"

bool FakeRotatorLibrary::setCommPort(int port)
{
    commPort = port;
    return true;
}

bool FakeRotatorLibrary::setSettings(const QString &text)
{
    settings = text;
    return true;
}

bool FakeRotatorLibrary::setPortOpen(bool open)
{
    if (open == m_open)
        return false;
    m_open = open;
    asked << (open ? QStringLiteral("open") : QStringLiteral("close"));
    emit openChanged(open);
    return true;
}

void FakeRotatorLibrary::setPosition(int azimuth, Done done)
{
    asked << QStringLiteral("set %1").arg(azimuth);
    m_waiting << std::move(done);
}

void FakeRotatorLibrary::stop(Done done)
{
    asked << QStringLiteral("stop");
    m_waiting << std::move(done);
}

bool FakeRotatorLibrary::answer(bool ok)
{
    if (m_waiting.isEmpty())
        return false;
    m_waiting.takeFirst()(ok);
    return true;
}
