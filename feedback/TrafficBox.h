#pragma once

#include <QString>

class MainPanel;

// The traffic box TBox stays bounded for an unlimited run: before anything is appended, a text
// longer than kLimit loses its first kCut characters.
namespace TrafficBox {
inline constexpr qsizetype kLimit = 10000;
inline constexpr qsizetype kCut = 3000;

// The box's text as it is before an append.
QString cut(const QString &text);
// Cuts when needed, then appends the chunk as it is.
void append(MainPanel &panel, const QString &chunk);
// A note of the program's own, on a line by itself.
void appendLine(MainPanel &panel, const QString &line);
} // namespace TrafficBox
