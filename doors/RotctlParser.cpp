#include "doors/RotctlParser.h"

#include <string_view>

namespace {
using Kind = RotctlCommand::Kind;

struct Known
{
    Kind kind;
    int arguments;
};

constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// ASCII punctuation but the three characters that start a command of their own: it asks for the
// extended reply form and becomes its separator. Not std::ispunct, which follows the locale.
constexpr bool isSeparator(char c)
{
    const bool punctuation = (c >= '!' && c <= '/') || (c >= ':' && c <= '@') ||
                             (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
    return punctuation && c != '\\' && c != '_' && c != '#';
}

std::optional<Known> knownCharacter(char c)
{
    switch (c) {
    case 'P':
        return Known{Kind::SetPosition, 2};
    case 'p':
        return Known{Kind::GetPosition, 0};
    case 'S':
        return Known{Kind::Stop, 0};
    case 'K':
        return Known{Kind::Park, 0};
    case 'M':
        return Known{Kind::Move, 2};
    case 'R':
        return Known{Kind::Reset, 1};
    case '_':
        return Known{Kind::GetInfo, 0};
    case 'q':
    case 'Q':
        return Known{Kind::Quit, 0};
    default:
        return std::nullopt;
    }
}

std::optional<Known> knownName(std::string_view name)
{
    constexpr std::pair<std::string_view, Known> names[] = {
        {"set_pos", {Kind::SetPosition, 2}}, {"get_pos", {Kind::GetPosition, 0}},
        {"stop", {Kind::Stop, 0}},           {"park", {Kind::Park, 0}},
        {"move", {Kind::Move, 2}},           {"reset", {Kind::Reset, 1}},
        {"get_info", {Kind::GetInfo, 0}},    {"dump_state", {Kind::DumpState, 0}},
    };
    for (const auto &[known, command] : names) {
        if (known == name)
            return command;
    }
    return std::nullopt;
}
} // namespace

std::optional<RotctlCommand> RotctlParser::next(QByteArrayView input, qsizetype &pos)
{
    while (!m_lineTooLong && pos < input.size()) {
        const char c = input[pos++];
        if (isLineEnd(c)) {
            m_lineLength = 0;
        } else if (++m_lineLength > kMaxLineLength) {
            m_lineTooLong = true;
            break;
        }
        if (std::optional<RotctlCommand> command = take(c))
            return command;
    }
    pos = input.size();
    return std::nullopt;
}

std::optional<RotctlCommand> RotctlParser::take(char c)
{
    switch (m_state) {
    case State::Idle:
        m_command = {};
        if (isBlank(c))
            return std::nullopt;
        if (c == '+') {
            m_command.extended = true;
            m_state = State::Prefixed;
            return std::nullopt;
        }
        if (isSeparator(c)) {
            m_command.extended = true;
            m_command.separator = c;
            m_state = State::Separated;
            return std::nullopt;
        }
        return begin(c);
    case State::Prefixed:
        // "+" may still be followed by the separator: "+;p".
        if (isSeparator(c)) {
            m_command.separator = c;
            m_state = State::Separated;
            return std::nullopt;
        }
        [[fallthrough]];
    case State::Separated:
        // As in rotctld, a prefix followed by a blank is forgotten.
        if (isBlank(c)) {
            m_state = State::Idle;
            return std::nullopt;
        }
        return begin(c);
    case State::Comment:
        if (isLineEnd(c))
            m_state = State::Idle;
        return std::nullopt;
    case State::LongName:
        if (!isBlank(c)) {
            m_word += c;
            return std::nullopt;
        }
        if (const std::optional<Known> known =
                knownName(std::string_view(m_word.constData(), m_word.size())))
            return start(known->kind, known->arguments);
        m_state = State::Idle;
        return std::nullopt;
    case State::Arguments:
        if (!isBlank(c)) {
            m_word += c;
            return std::nullopt;
        }
        if (m_word.isEmpty())
            return std::nullopt;
        m_command.arguments.append(m_word);
        m_word.clear();
        if (m_command.arguments.size() < m_argumentsWanted)
            return std::nullopt;
        m_state = State::Idle;
        return m_command;
    }
    return std::nullopt;
}

std::optional<RotctlCommand> RotctlParser::begin(char c)
{
    if (c == '#') {
        m_state = State::Comment;
        return std::nullopt;
    }
    if (c == '\\') {
        m_word.clear();
        m_state = State::LongName;
        return std::nullopt;
    }
    if (const std::optional<Known> known = knownCharacter(c))
        return start(known->kind, known->arguments);
    m_state = State::Idle;
    return std::nullopt;
}

std::optional<RotctlCommand> RotctlParser::start(RotctlCommand::Kind kind, int arguments)
{
    m_command.kind = kind;
    if (arguments == 0) {
        m_state = State::Idle;
        return m_command;
    }
    m_argumentsWanted = arguments;
    m_word.clear();
    m_state = State::Arguments;
    return std::nullopt;
}
