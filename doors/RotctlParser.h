#pragma once

#include "doors/RotctlCommand.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Cuts a client's byte stream into commands the way rotctld reads it: a command is one character
// or "\long_name", its arguments blank-separated tokens, CR and LF mere blanks. Unknown commands
// and comments vanish here. What a partial command has read so far is all it keeps.
class RotctlParser
{
public:
    // Longer lines end the session: no client sends them, and they would cost memory.
    static constexpr qsizetype kMaxLineLength = 4096;

    // Reads input from pos on until a command is complete (returned, pos just past it) or the
    // input ends (nothing, pos at the end). A partial command goes on in the next call.
    std::optional<RotctlCommand> next(QByteArrayView input, qsizetype &pos);
    // A line grew past kMaxLineLength; the parser reads nothing more.
    bool lineTooLong() const { return m_lineTooLong; }

private:
    enum class State { Idle, Prefixed, Separated, LongName, Comment, Arguments };

    std::optional<RotctlCommand> take(char c);
    std::optional<RotctlCommand> begin(char c);
    std::optional<RotctlCommand> start(RotctlCommand::Kind kind, int arguments);

    State m_state = State::Idle;
    RotctlCommand m_command;
    int m_argumentsWanted = 0;
    QByteArray m_word;
    qsizetype m_lineLength = 0;
    bool m_lineTooLong = false;
};
