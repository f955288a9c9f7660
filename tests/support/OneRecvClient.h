#pragma once

#include <QByteArray>

// A rotctld client that reads each reply with a single recv() of at most 127 bytes, as gpredict
// does: a reply written in pieces shows as a short one. Gives up after Station::kWaitMs.
class OneRecvClient
{
public:
    explicit OneRecvClient(quint16 port);
    ~OneRecvClient();
    OneRecvClient(const OneRecvClient &) = delete;
    OneRecvClient &operator=(const OneRecvClient &) = delete;

    bool connected() const { return m_connected; }
    // The command sent, then what one recv() brings: "send failed", "no reply" or the bytes.
    QByteArray ask(const QByteArray &command) const;

private:
    int m_fd;
    bool m_connected = false;
};
