#include "rotctld/RotctldServer.h"

#include "rotctld/RotctlSession.h"

#include <QTcpSocket>

RotctldServer::RotctldServer(DdeRotator &rotator, QObject *parent)
    : QObject(parent), m_rotator(rotator)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RotctldServer::acceptClients);
}

bool RotctldServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void RotctldServer::acceptClients()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_clients >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *session = new RotctlSession(socket, m_rotator, this);
        ++m_clients;
        connect(session, &QObject::destroyed, this, [this] { --m_clients; });
    }
}
