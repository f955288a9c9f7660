#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// A client's TCP connection on a descriptor of its own. Unlike QTcpSocket, which drops the
// connection at the client's end of file, it goes on writing after it: a client that sends its
// commands and half-closes (`nc -N`) still gets its answers. Reads stop while kReadBufferSize
// bytes wait unread, so a client that floods waits in the kernel.
class DoorSocket : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kReadBufferSize = 4096;

    // Takes the descriptor; it is closed with this object.
    explicit DoorSocket(int fd, QObject *parent = nullptr);
    ~DoorSocket() override;

    // Up to max bytes of what has come.
    QByteArray read(qsizetype max);
    // The client sends nothing more, and all it sent has been read.
    bool atEnd() const { return m_clientDone && m_in.isEmpty(); }

    // Sent at once as far as the kernel takes it, the rest when it can.
    void write(const QByteArray &bytes);
    qint64 bytesToWrite() const { return m_out.size(); }
    void setSendBufferSize(int bytes);

    // Ends the connection once everything written has gone.
    void close();
    // Ends it now, unsent bytes dropped.
    void abort();

signals:
    // Bytes have come, or the client's end of file.
    void readyRead();
    // The connection has ended: closed, aborted, or lost.
    void closed();

private:
    void receive();
    void flush();
    void end();
    void updateReading();

    int m_fd;
    QSocketNotifier *m_readable;
    QSocketNotifier *m_writable;
    QByteArray m_in;
    QByteArray m_out;
    bool m_clientDone = false;
    bool m_closing = false;
};
