#include "doors/PstDoor.h"

#include "doors/DoorRotator.h"
#include "doors/PstDatagram.h"

#include <QNetworkDatagram>

PstDoor::PstDoor(DoorRotator &rotator, QObject *parent) : QObject(parent), m_rotator(rotator)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &PstDoor::readDatagrams);
}

bool PstDoor::listen(const QHostAddress &address, quint16 port)
{
    return m_socket.bind(address, port, QAbstractSocket::DontShareAddress);
}

void PstDoor::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        if (m_socket.pendingDatagramSize() > PstDatagram::kMaxSize) {
            m_socket.readDatagram(nullptr, 0);
            continue;
        }
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        for (const PstCommand &command : PstDatagram::parse(datagram.data()))
            run(command, datagram.senderAddress());
    }
}

void PstDoor::run(const PstCommand &command, const QHostAddress &sender)
{
    const auto ignore = [](int) {};
    // Answers go to the port after ours, whatever port the question came from.
    const quint16 answerPort = port() + 1;
    switch (command.kind) {
    case PstCommand::Kind::Turn:
        m_rotator.setAzimuth(command.azimuth, this, ignore);
        break;
    case PstCommand::Kind::Stop:
        // A family without a stop answers so, and nothing happens.
        m_rotator.stop(this, ignore);
        break;
    case PstCommand::Kind::AskAzimuth:
        if (answerPort == 0)
            break;
        m_rotator.position(this, [this, sender, answerPort](const DoorRotator::Position &p) {
            const int azimuth = p.reported >= 0 ? p.reported : p.commanded;
            // Nothing known: no answer, as a PstRotator that is not there gives none.
            if (p.status == DoorStatus::kOk && azimuth >= 0)
                m_socket.writeDatagram(PstDatagram::azimuthAnswer(azimuth), sender, answerPort);
        });
        break;
    case PstCommand::Kind::AskElevation:
        if (answerPort != 0)
            m_socket.writeDatagram(PstDatagram::elevationAnswer(), sender, answerPort);
        break;
    }
}
