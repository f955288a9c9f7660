#pragma once

#include "doors/RotctlCommand.h"
#include "doors/RotctlParser.h"

#include <QByteArray>
#include <QObject>

#include <deque>
#include <optional>

class DoorRotator;
class DoorSocket;
class RepeatedTarget;
class RotctlReply;

// One client's connection: reads its commands, runs them on the rotator at once (a position
// query or a set only once the sets and stops before it are answered), and writes each reply
// whole and in the order of the commands, however the rotator's answers come in. A set that may
// repeat the door's last one asks the position first, and what follows waits for the decision.
// Ends once the client has hung up and everything it asked is answered; deletes itself then.
class RotctlSession : public QObject
{
    Q_OBJECT
public:
    // Commands read but not yet answered; past this the client's bytes wait in the kernel.
    static constexpr qsizetype kMaxWaiting = 16;
    // How much of a client's input is read at a time.
    static constexpr qint64 kReadSize = 4096;
    // Replies a client has not read; a client that lets more pile up is dropped.
    static constexpr qint64 kMaxUnsent = 64 * 1024;
    // The kernel's share of them, kept as small: replies are short and clients poll slowly.
    static constexpr int kSendBufferSize = 16 * 1024;

    // Takes the socket.
    RotctlSession(DoorSocket *socket, DoorRotator &rotator, RepeatedTarget &repeats,
                  QObject *parent = nullptr);

private:
    struct Waiting
    {
        RotctlCommand command;
        std::optional<QByteArray> reply;
    };

    void readCommands();
    void run(const RotctlCommand &command);
    void setPosition(quint64 number, int azimuth);
    void send(quint64 number, int azimuth);
    void answered(quint64 number, const RotctlReply &reply);
    void complete(quint64 number, const RotctlReply &reply);
    void writeReplies();
    void endIfDone();
    void drop();
    void ended();

    DoorSocket *m_socket;
    DoorRotator &m_rotator;
    RepeatedTarget &m_repeats;
    RotctlParser m_parser;
    QByteArray m_input;
    qsizetype m_inputPos = 0;
    std::optional<RotctlCommand> m_next; // read, not yet run
    int m_changesInFlight = 0;           // sets and stops the rotator has not answered
    int m_deciding = 0;                  // sets waiting for the position to tell a repeat
    bool m_reading = false;
    std::deque<Waiting> m_waiting;
    quint64 m_firstNumber = 0; // of m_waiting.front(); commands are numbered as read
    bool m_quitRead = false;
    bool m_ended = false;
};
