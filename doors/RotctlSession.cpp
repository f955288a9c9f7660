#include "doors/RotctlSession.h"

#include "doors/DoorRotator.h"
#include "doors/DoorSocket.h"
#include "doors/RepeatedTarget.h"
#include "doors/RotctlReply.h"

using Kind = RotctlCommand::Kind;

RotctlSession::RotctlSession(DoorSocket *socket, DoorRotator &rotator, RepeatedTarget &repeats,
                             QObject *parent)
    : QObject(parent), m_socket(socket), m_rotator(rotator), m_repeats(repeats)
{
    m_socket->setParent(this);
    m_socket->setSendBufferSize(kSendBufferSize);
    connect(m_socket, &DoorSocket::readyRead, this, &RotctlSession::readCommands);
    connect(m_socket, &DoorSocket::closed, this, &RotctlSession::ended);
    readCommands();
}

void RotctlSession::readCommands()
{
    // Answers given at once come back here from run(); the loop below goes on by itself.
    if (m_reading)
        return;
    m_reading = true;
    while (!m_ended && !m_quitRead && qsizetype(m_waiting.size()) < kMaxWaiting) {
        if (!m_next && m_inputPos == m_input.size()) {
            m_input = m_socket->read(kReadSize);
            m_inputPos = 0;
            if (m_input.isEmpty())
                break;
        }
        if (!m_next) {
            m_next = m_parser.next(m_input, m_inputPos);
            if (m_parser.lineTooLong()) {
                drop();
                break;
            }
            if (!m_next)
                continue;
        }
        // A set may wait for the position to tell whether it repeats; nothing overtakes it.
        if (m_deciding > 0)
            break;
        // The link answers a set or a stop before it applies it, so a position asked at once
        // could overtake them. It is asked once they are answered, and what follows waits; so is
        // a set, which may find the one before it repeated.
        const bool asks = m_next->kind == Kind::GetPosition || m_next->kind == Kind::SetPosition;
        if (asks && m_changesInFlight > 0)
            break;
        run(*std::exchange(m_next, std::nullopt));
    }
    m_reading = false;
    endIfDone();
}

void RotctlSession::run(const RotctlCommand &command)
{
    const quint64 number = m_firstNumber + m_waiting.size();
    m_waiting.push_back({command, std::nullopt});
    switch (command.kind) {
    case Kind::SetPosition:
        if (const std::optional<int> azimuth = command.azimuth())
            setPosition(number, *azimuth);
        else
            complete(number, RotctlReply::status(DoorStatus::kInvalidValue));
        break;
    case Kind::GetPosition:
        m_rotator.position(this, [this, number](const DoorRotator::Position &position) {
            m_repeats.observe(position.reported);
            const int azimuth = position.reported >= 0 ? position.reported : position.commanded;
            if (position.status != DoorStatus::kOk)
                answered(number, RotctlReply::status(position.status));
            else if (azimuth < 0)
                answered(number, RotctlReply::status(DoorStatus::kNotAvailable));
            else
                answered(number, RotctlReply::position(azimuth));
        });
        break;
    case Kind::Stop:
        m_repeats.stopped();
        ++m_changesInFlight;
        m_rotator.stop(this, [this, number](int status) {
            --m_changesInFlight;
            answered(number, RotctlReply::status(status));
        });
        break;
    case Kind::Park:
        complete(number, RotctlReply::status(DoorStatus::kNotAvailable));
        break;
    case Kind::Move:
    case Kind::Reset:
        // No family turns at a speed or resets through the program; rotctld checks the
        // arguments first.
        complete(number,
                 RotctlReply::status(command.integerArguments() ? DoorStatus::kNotAvailable
                                                                : DoorStatus::kInvalidValue));
        break;
    case Kind::GetInfo:
        m_rotator.info(this, [this, number](const DoorRotator::Info &info) {
            answered(number, info.status == DoorStatus::kOk ? RotctlReply::info(info.summary)
                                                            : RotctlReply::status(info.status));
        });
        break;
    case Kind::DumpState:
        m_rotator.reach(this, [this, number](int status) {
            answered(number, status == DoorStatus::kOk ? RotctlReply::dumpState()
                                                       : RotctlReply::status(status));
        });
        break;
    case Kind::Quit:
        // Written after the replies before it, as rotctld does; then nothing more is read.
        m_quitRead = true;
        m_waiting.back().reply = QByteArray();
        writeReplies();
        break;
    }
}

void RotctlSession::setPosition(quint64 number, int azimuth)
{
    if (!m_repeats.mayRepeat(azimuth))
        return send(number, azimuth);
    ++m_deciding;
    m_rotator.position(this, [this, number, azimuth](const DoorRotator::Position &position) {
        --m_deciding;
        if (position.status == DoorStatus::kOk &&
            m_repeats.isRepeat(azimuth, position.reported, position.commanded))
            answered(number, RotctlReply::status(DoorStatus::kOk));
        else {
            send(number, azimuth);
            readCommands();
        }
    });
}

void RotctlSession::send(quint64 number, int azimuth)
{
    ++m_changesInFlight;
    m_rotator.setAzimuth(azimuth, this, [this, number, azimuth](int status) {
        --m_changesInFlight;
        if (status == DoorStatus::kOk)
            m_repeats.setSent(azimuth);
        answered(number, RotctlReply::status(status));
    });
}

void RotctlSession::answered(quint64 number, const RotctlReply &reply)
{
    complete(number, reply);
    // The queue may have room again, or a held command may run now.
    readCommands();
}

void RotctlSession::complete(quint64 number, const RotctlReply &reply)
{
    if (m_ended)
        return;
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
            m_socket->close();
            return;
        }
        m_socket->write(*done.reply);
        if (m_socket->bytesToWrite() > kMaxUnsent)
            return drop();
    }
}

void RotctlSession::endIfDone()
{
    // The client has said all it will: once every command is answered, the session ends.
    if (m_ended || !m_socket->atEnd() || m_next || m_inputPos < m_input.size() ||
        !m_waiting.empty())
        return;
    m_ended = true;
    m_socket->close();
}

void RotctlSession::drop()
{
    m_ended = true;
    m_socket->abort();
}

void RotctlSession::ended()
{
    m_ended = true;
    deleteLater();
}
