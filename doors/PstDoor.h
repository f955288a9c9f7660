#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

class DoorRotator;
struct PstCommand;

// PstRotator's UDP door: turns and stops the rotator on its clients' datagrams (QLog, TR4W,
// Hamlib's model 3) and answers "AZ?" and "EL?" to the sender's address at the port + 1.
class PstDoor : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 12000;

    explicit PstDoor(DoorRotator &rotator, QObject *parent = nullptr);

    // A port another program holds fails: the door never shares it.
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_socket.errorString(); }
    quint16 port() const { return m_socket.localPort(); }

private:
    void readDatagrams();
    void run(const PstCommand &command, const QHostAddress &sender);

    DoorRotator &m_rotator;
    QUdpSocket m_socket;
};
