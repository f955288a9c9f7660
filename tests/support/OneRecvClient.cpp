#include "tests/support/OneRecvClient.h"

#include "tests/support/Station.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

OneRecvClient::OneRecvClient(quint16 port) : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    const timeval patience = {Station::kWaitMs / 1000, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
}

OneRecvClient::~OneRecvClient()
{
    ::close(m_fd);
}

QByteArray OneRecvClient::ask(const QByteArray &command) const
{
    if (::send(m_fd, command.constData(), size_t(command.size()), 0) != command.size())
        return "send failed";
    char buffer[127];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    return n < 0 ? QByteArray("no reply") : QByteArray(buffer, n);
}
