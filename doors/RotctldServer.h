#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class DdeRotator;

// Listens for rotctld clients and gives each connection its session, all driving one rotator.
class RotctldServer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 4533;
    // Far more than a shack runs; bounds the memory and file handles clients can take.
    static constexpr int kMaxClients = 256;

    explicit RotctldServer(DdeRotator &rotator, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    int clientCount() const { return m_clients; }

private:
    void acceptClients();

    DdeRotator &m_rotator;
    QTcpServer m_server;
    int m_clients = 0;
};
