#pragma once

#include "doors/DoorSettings.h"

#include <optional>

class QCommandLineParser;

// The doors' command-line options, the same in every host: --rotctld, --pst-udp, --n1mm-udp and
// --n1mm-heading, each ADDRESS:PORT or off.
namespace DoorOptions {
void add(QCommandLineParser &parser);
// The places the command line gives (the others unset); none when a value is neither
// ADDRESS:PORT nor off, and error says which.
std::optional<DoorSettings> read(const QCommandLineParser &parser, QString *error);
} // namespace DoorOptions
