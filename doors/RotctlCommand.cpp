#include "doors/RotctlCommand.h"

#include "doors/DoorValue.h"

#include <cmath>

namespace {
// Clients format numbers with the user's locale, so a comma may be the decimal separator.
std::optional<double> finiteNumber(QByteArray text)
{
    bool ok = false;
    const double value = text.replace(',', '.').toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
} // namespace

QByteArray RotctlCommand::longName() const
{
    switch (kind) {
    case Kind::SetPosition:
        return "set_pos";
    case Kind::GetPosition:
        return "get_pos";
    case Kind::Stop:
        return "stop";
    case Kind::Park:
        return "park";
    case Kind::Move:
        return "move";
    case Kind::Reset:
        return "reset";
    case Kind::GetInfo:
        return "get_info";
    case Kind::DumpState:
        return "dump_state";
    case Kind::Quit:
        return "quit";
    }
    return {};
}

bool RotctlCommand::returnsValues() const
{
    return kind == Kind::GetPosition || kind == Kind::GetInfo || kind == Kind::DumpState;
}

std::optional<int> RotctlCommand::azimuth() const
{
    if (kind != Kind::SetPosition || arguments.size() != 2)
        return std::nullopt;
    const std::optional<double> azimuth = finiteNumber(arguments.at(0));
    const std::optional<double> elevation = finiteNumber(arguments.at(1));
    // As rotctld checks the limits \dump_state gave: min_el and max_el are both 0.
    if (!azimuth || !elevation || *elevation != 0)
        return std::nullopt;
    return DoorValue::wholeAzimuth(*azimuth);
}

bool RotctlCommand::integerArguments() const
{
    for (QByteArrayView argument : arguments) {
        if (argument.startsWith('-') || argument.startsWith('+'))
            argument = argument.sliced(1);
        if (argument.isEmpty() || argument.front() < '0' || argument.front() > '9')
            return false;
    }
    return true;
}
