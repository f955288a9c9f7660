#include "sim/SimPty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

SimPty::SimPty(QObject *parent) : QObject(parent)
{
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SimPty::readAll);
}

SimPty::~SimPty()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
}

bool SimPty::open(QString *error)
{
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(std::strerror(errno));
        return false;
    }
    // Raw from the start, so nothing the program sends before it sets its own mode is echoed
    // or turned into a signal.
    termios mode{};
    if (::tcgetattr(slave, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(slave, TCSANOW, &mode);
    }
    ::close(slave); // the pair keeps its settings while the master is open
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);

    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    m_notifier->setEnabled(false);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimPty::readAll);
    m_retry.start();
    return true;
}

bool SimPty::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

void SimPty::readAll()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            setConnected(true);
            emit received(QByteArray(buffer, n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            setConnected(true);
            return;
        } else {
            setConnected(false); // EIO: nobody holds the slave
            return;
        }
    }
}

void SimPty::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    m_notifier->setEnabled(connected);
    if (connected)
        m_retry.stop();
    else
        m_retry.start();
    emit connectedChanged(connected);
}
