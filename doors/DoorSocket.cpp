#include "doors/DoorSocket.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

DoorSocket::DoorSocket(int fd, QObject *parent)
    : QObject(parent), m_fd(fd), m_readable(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      m_writable(new QSocketNotifier(fd, QSocketNotifier::Write, this))
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    // Every reply is one whole write: nothing gains by waiting for more.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_writable->setEnabled(false);
    connect(m_readable, &QSocketNotifier::activated, this, &DoorSocket::receive);
    connect(m_writable, &QSocketNotifier::activated, this, &DoorSocket::flush);
}

DoorSocket::~DoorSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void DoorSocket::setSendBufferSize(int bytes)
{
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

QByteArray DoorSocket::read(qsizetype max)
{
    QByteArray taken = m_in.left(max);
    m_in.remove(0, taken.size());
    updateReading();
    return taken;
}

void DoorSocket::updateReading()
{
    m_readable->setEnabled(m_fd >= 0 && !m_clientDone && m_in.size() < kReadBufferSize);
}

void DoorSocket::receive()
{
    char buffer[kReadBufferSize];
    const ssize_t n = ::recv(m_fd, buffer, size_t(kReadBufferSize - m_in.size()), 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n < 0)
        return end();
    if (n == 0)
        m_clientDone = true;
    else
        m_in.append(buffer, n);
    updateReading();
    emit readyRead();
}

void DoorSocket::write(const QByteArray &bytes)
{
    if (m_fd < 0 || m_closing)
        return;
    m_out.append(bytes);
    flush();
}

void DoorSocket::flush()
{
    while (m_fd >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n < 0)
            return end();
        m_out.remove(0, n);
    }
    if (m_fd < 0)
        return;
    m_writable->setEnabled(!m_out.isEmpty());
    if (m_closing && m_out.isEmpty()) {
        ::shutdown(m_fd, SHUT_WR);
        end();
    }
}

void DoorSocket::close()
{
    m_closing = true;
    flush();
}

void DoorSocket::abort()
{
    m_out.clear();
    end();
}

void DoorSocket::end()
{
    if (m_fd < 0)
        return;
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    emit closed();
}
