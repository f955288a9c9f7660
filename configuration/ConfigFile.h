#pragma once

#include "configuration/Configuration.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The configuration file's bytes: the reading rule that picks the profile lines, and the 30-line
// form the program writes. Pure functions; bytes are Latin-1,
// one byte to one character.
namespace ConfigFile {

inline constexpr int kMaxStoredLines = 29;
inline constexpr int kProfileLineCount = 21;
inline constexpr int kLinesPerProfile = 7;

// The lines to store as ConfigLines 1, 2, ...: a line whose first character is "#" is a comment,
// skipped and not counted; any other line, an empty one included, counts. At most
// kMaxStoredLines lines; what follows the last one is not looked at.
QStringList profileLines(const QByteArray &bytes);

// The file as the program writes it: lines 1 to 21 from `lines`, then the filler lines " 22 "
// to " 30 ", every line ended CR LF. The texts must be storable().
QByteArray format(const Configuration::Lines &lines);

// Whether a text can be written as one profile line and read back as the same text: Latin-1
// only, no line end in it, and not starting with "#" (it would be read as a comment and shift
// every line after it).
bool storable(const QString &text);

// The first of the seven lines of profile n (1 to 3): 7(n-1)+1.
constexpr int firstLine(int profileNumber)
{
    return kLinesPerProfile * (profileNumber - 1) + 1;
}

} // namespace ConfigFile
