#include "sim/SimPty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

SimPty::SimPty(QObject *parent) : QObject(parent)
{
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SimPty::readOnce);
}

SimPty::~SimPty()
{
    m_notifier.reset();
    m_watchNotifier.reset();
    if (m_watch >= 0)
        ::close(m_watch);
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
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimPty::readOnce);

    m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch >= 0 && ::inotify_add_watch(m_watch, name, IN_OPEN) >= 0) {
        m_watchNotifier = std::make_unique<QSocketNotifier>(m_watch, QSocketNotifier::Read);
        connect(m_watchNotifier.get(), &QSocketNotifier::activated, this, &SimPty::slaveOpened);
    } else {
        m_retry.start();
    }
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

// One read a wake-up: a client that writes faster than the simulator answers still leaves the
// event loop a turn between reads, so a signal or a due report is never held up.
void SimPty::readOnce()
{
    char buffer[1024]; // a second of a 9600-baud line
    ssize_t n = 0;
    do {
        n = ::read(m_master, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        setConnected(true);
        emit received(QByteArray(buffer, n));
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        setConnected(true);
    } else {
        setConnected(false); // EIO: nobody holds the slave
    }
}

// Someone opened the slave; the master tells whether it is still open.
void SimPty::slaveOpened()
{
    char events[4096];
    while (::read(m_watch, events, sizeof events) > 0) {
    }
    readOnce();
}

void SimPty::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    m_notifier->setEnabled(connected);
    if (!m_watchNotifier) {
        if (connected)
            m_retry.stop();
        else
            m_retry.start();
    }
    emit connectedChanged(connected);
}
