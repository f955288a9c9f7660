#pragma once

#include "rotctld/RotctlCommand.h"
#include "rotctld/RotctlParser.h"

#include <QByteArray>
#include <QObject>

#include <deque>
#include <optional>

class DdeRotator;
class QTcpSocket;
class RotctlReply;

// One client's connection: reads its commands, runs them on the rotator at once (a position
// query only once the sets and stops before it are answered), and writes each reply whole and in
// the order of the commands, however the rotator's answers come in. Deletes itself when the
// connection ends.
class RotctlSession : public QObject
{
    Q_OBJECT
public:
    // Commands read but not yet answered; past this the client's bytes wait in the kernel.
    static constexpr qsizetype kMaxWaiting = 16;
    // How much of a client's input Qt buffers before it stops reading the socket.
    static constexpr qint64 kReadBufferSize = 4096;
    // Replies a client has not read; a client that lets more pile up is dropped.
    static constexpr qint64 kMaxUnsent = 64 * 1024;
    // The kernel's share of them, kept as small: replies are short and clients poll slowly.
    static constexpr int kSendBufferSize = 16 * 1024;

    RotctlSession(QTcpSocket *socket, DdeRotator &rotator, QObject *parent = nullptr);

private:
    struct Waiting
    {
        RotctlCommand command;
        std::optional<QByteArray> reply;
    };

    void readCommands();
    void run(const RotctlCommand &command);
    void complete(quint64 number, const RotctlReply &reply);
    void writeReplies();
    void drop();

    QTcpSocket *m_socket;
    DdeRotator &m_rotator;
    RotctlParser m_parser;
    QByteArray m_input;
    qsizetype m_inputPos = 0;
    std::optional<RotctlCommand> m_next; // read, not yet run
    int m_changesInFlight = 0;           // sets and stops the program has not answered
    std::deque<Waiting> m_waiting;
    quint64 m_firstNumber = 0; // of m_waiting.front(); commands are numbered as read
    bool m_quitRead = false;
    bool m_ended = false;
};
