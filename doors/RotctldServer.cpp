#include "doors/RotctldServer.h"

#include "doors/DoorRotator.h"
#include "doors/DoorSocket.h"
#include "doors/RotctlSession.h"

#include <unistd.h>

RotctldServer::RotctldServer(DoorRotator &rotator, QObject *parent)
    : QObject(parent), m_rotator(rotator)
{
    m_server.accepted = [this](qintptr descriptor) { accept(descriptor); };
    connect(&m_rotator, &DoorRotator::stopped, this, [this] { m_repeats.stopped(); });
    connect(&m_rotator, &DoorRotator::reportedChanged, this,
            [this](int azimuth) { m_repeats.observe(azimuth); });
}

bool RotctldServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void RotctldServer::accept(qintptr descriptor)
{
    if (m_clients >= kMaxClients) {
        ::close(int(descriptor));
        return;
    }
    auto *session = new RotctlSession(new DoorSocket(int(descriptor)), m_rotator, m_repeats, this);
    ++m_clients;
    connect(session, &QObject::destroyed, this, [this] { --m_clients; });
}
