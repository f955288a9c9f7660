#include "rotctld/RotctlSession.h"

#include "rotctld/DdeRotator.h"
#include "rotctld/RotctlReply.h"

#include <QTcpSocket>

using Kind = RotctlCommand::Kind;

RotctlSession::RotctlSession(QTcpSocket *socket, DdeRotator &rotator, QObject *parent)
    : QObject(parent), m_socket(socket), m_rotator(rotator)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferSize);
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSendBufferSize);
    connect(m_socket, &QTcpSocket::readyRead, this, &RotctlSession::readCommands);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_ended = true;
        deleteLater();
    });
    readCommands();
}

void RotctlSession::readCommands()
{
    while (!m_ended && !m_quitRead && qsizetype(m_waiting.size()) < kMaxWaiting) {
        if (!m_next && m_inputPos == m_input.size()) {
            m_input = m_socket->read(kReadBufferSize);
            m_inputPos = 0;
            if (m_input.isEmpty())
                return;
        }
        if (!m_next) {
            m_next = m_parser.next(m_input, m_inputPos);
            if (m_parser.lineTooLong()) {
                drop();
                return;
            }
            if (!m_next)
                continue;
        }
        // The program answers a set or a stop before it applies it, so a position asked at once
        // could overtake them. It is asked once they are answered, and what follows waits.
        if (m_next->kind == Kind::GetPosition && m_changesInFlight > 0)
            return;
        run(*std::exchange(m_next, std::nullopt));
    }
}

void RotctlSession::run(const RotctlCommand &command)
{
    const quint64 number = m_firstNumber + m_waiting.size();
    m_waiting.push_back({command, std::nullopt});
    // Answers from the bus come in a later loop pass; the queue may have room again then.
    const DdeRotator::Answer answer = [this, number](const RotctlReply &reply) {
        complete(number, reply);
        readCommands();
    };
    const DdeRotator::Answer changed = [this, answer](const RotctlReply &reply) {
        --m_changesInFlight;
        answer(reply);
    };
    switch (command.kind) {
    case Kind::SetPosition:
        if (const std::optional<int> azimuth = command.azimuth()) {
            ++m_changesInFlight;
            m_rotator.setAzimuth(*azimuth, this, changed);
        } else
            complete(number, RotctlReply::status(RotctlReply::kInvalidValue));
        break;
    case Kind::GetPosition:
        m_rotator.position(this, answer);
        break;
    case Kind::Stop:
        ++m_changesInFlight;
        m_rotator.stop(this, changed);
        break;
    case Kind::Park:
        complete(number, RotctlReply::status(RotctlReply::kNotAvailable));
        break;
    case Kind::Move:
    case Kind::Reset:
        // No family turns at a speed or resets through the program; rotctld checks the
        // arguments first.
        complete(number,
                 RotctlReply::status(command.integerArguments() ? RotctlReply::kNotAvailable
                                                                : RotctlReply::kInvalidValue));
        break;
    case Kind::GetInfo:
        m_rotator.info(this, answer);
        break;
    case Kind::DumpState:
        m_rotator.dumpState(this, answer);
        break;
    case Kind::Quit:
        // Written after the replies before it, as rotctld does; then nothing more is read.
        m_quitRead = true;
        m_waiting.back().reply = QByteArray();
        writeReplies();
        break;
    }
}

void RotctlSession::complete(quint64 number, const RotctlReply &reply)
{
    Waiting &waiting = m_waiting.at(number - m_firstNumber);
    waiting.reply = reply.format(waiting.command);
    writeReplies();
}

void RotctlSession::writeReplies()
{
    while (!m_ended && !m_waiting.empty() && m_waiting.front().reply) {
        const Waiting done = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_firstNumber;
        if (done.command.kind == Kind::Quit) {
            m_ended = true;
            m_socket->disconnectFromHost();
            return;
        }
        m_socket->write(*done.reply);
        if (m_socket->bytesToWrite() > kMaxUnsent)
            drop();
    }
}

void RotctlSession::drop()
{
    m_ended = true;
    m_socket->abort();
    deleteLater();
}
