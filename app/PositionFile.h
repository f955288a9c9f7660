#pragma once

#include <QByteArray>
#include <QString>

// The window position file DDEpos.ini: two lines, top and left in twips.
namespace PositionFile {

struct Position
{
    double top = 0;
    double left = 0;
};

// " 1500 \r\n 3000 \r\n": a blank (or "-") for the sign, the value, one blank, CR LF.
QByteArray format(qint64 top, qint64 left);
// Each line by its numeric prefix; a missing second line repeats the first, a missing file or a
// line without a number gives 0.
Position parse(const QByteArray &bytes);
// Leading blanks, sign, digits, "." digits, exponent, up to the first other character; else 0.
double numericPrefix(const QString &text);

// A file that cannot be read (missing, no regular file) places the window at 0, 0.
Position read(const QString &path);
// Replaces the file atomically, creating its folder; false when it cannot be written.
bool write(const QString &path, qint64 top, qint64 left);

} // namespace PositionFile
