#include "doors/N1mmDoor.h"

#include "doors/DoorRotator.h"
#include "doors/N1mmDatagram.h"

#include <QNetworkDatagram>

N1mmDoor::N1mmDoor(DoorRotator &rotator, QObject *parent) : QObject(parent), m_rotator(rotator)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &N1mmDoor::readDatagrams);
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &N1mmDoor::sendHeading);
}

bool N1mmDoor::listen(const QHostAddress &address, quint16 port)
{
    return m_socket.bind(address, port, QAbstractSocket::DontShareAddress);
}

void N1mmDoor::tellHeadingTo(const QHostAddress &address, quint16 port)
{
    m_headingAddress = address;
    m_headingPort = port;
    if (address.isNull())
        return;
    connect(&m_rotator, &DoorRotator::reportedChanged, this, &N1mmDoor::headingChanged,
            Qt::UniqueConnection);
    m_rotator.watchReported();
}

void N1mmDoor::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        if (m_socket.pendingDatagramSize() > N1mmDatagram::kMaxSize) {
            m_socket.readDatagram(nullptr, 0);
            continue;
        }
        if (const std::optional<N1mmCommand> command =
                N1mmDatagram::parse(m_socket.receiveDatagram().data()))
            run(*command);
    }
}

void N1mmDoor::run(const N1mmCommand &command)
{
    const auto ignore = [](int) {};
    if (command.kind == N1mmCommand::Kind::Stop) {
        m_rotator.stop(this, ignore);
        return;
    }
    if (!command.rotor.isEmpty())
        m_rotor = command.rotor;
    m_rotator.setAzimuth(command.azimuth, this, ignore);
}

void N1mmDoor::headingChanged(int azimuth)
{
    m_heading = azimuth;
    if (azimuth < 0 || m_pace.isActive())
        return;
    const qint64 since = m_sinceSent.isValid() ? m_sinceSent.elapsed() : kHeadingGapMs;
    if (since >= kHeadingGapMs)
        sendHeading();
    else
        m_pace.start(int(kHeadingGapMs - since));
}

void N1mmDoor::sendHeading()
{
    if (m_heading < 0 || m_heading == m_headingSent || m_headingAddress.isNull())
        return;
    m_headingSocket.writeDatagram(N1mmDatagram::heading(m_rotor, m_heading), m_headingAddress,
                                  m_headingPort);
    m_headingSent = m_heading;
    m_sinceSent.start();
}
