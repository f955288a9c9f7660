#include "configuration/ConfigFile.h"

#include "core/TextFile.h"

namespace ConfigFile {

QStringList profileLines(const QByteArray &bytes)
{
    QStringList stored;
    for (const QString &line : TextFile::splitLines(bytes)) {
        if (line.startsWith(u'#'))
            continue;
        stored.append(line);
        if (stored.size() == kMaxStoredLines)
            break;
    }
    return stored;
}

QByteArray format(const Configuration::Lines &lines)
{
    QByteArray bytes;
    for (int i = 1; i <= kProfileLineCount; ++i)
        bytes += lines[i].toLatin1() + "\r\n";
    // The filler lines hold their own numbers, set off by a blank on each side.
    for (int number = kProfileLineCount + 1; number <= Configuration::kLineCount; ++number)
        bytes += ' ' + QByteArray::number(number) + " \r\n";
    return bytes;
}

bool storable(const QString &text)
{
    if (text.startsWith(u'#'))
        return false;
    for (const QChar c : text) {
        if (c.unicode() > 0xff || c == u'\r' || c == u'\n')
            return false;
    }
    return true;
}

} // namespace ConfigFile
