#pragma once

#include "doors/RepeatedTarget.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>

class DoorRotator;

// Listens for rotctld clients and gives each connection its session, all driving one rotator and
// sharing what the door last set.
class RotctldServer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 4533;
    // Far more than a shack runs; bounds the memory and file handles clients can take.
    static constexpr int kMaxClients = 256;

    explicit RotctldServer(DoorRotator &rotator, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    int clientCount() const { return m_clients; }

private:
    // Hands over each accepted descriptor as it is, with no QTcpSocket made for it.
    class Listener : public QTcpServer
    {
    public:
        std::function<void(qintptr)> accepted;

    protected:
        void incomingConnection(qintptr descriptor) override { accepted(descriptor); }
    };

    void accept(qintptr descriptor);

    DoorRotator &m_rotator;
    RepeatedTarget m_repeats;
    Listener m_server;
    int m_clients = 0;
};
