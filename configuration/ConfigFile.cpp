#include "configuration/ConfigFile.h"

namespace ConfigFile {

namespace {
constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Calls take(line) for each line of bytes until it returns false.
template <typename Take>
void forEachLine(const QByteArray &bytes, Take take)
{
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != kCr && bytes[end] != kLf)
            ++end;
        if (!take(QString::fromLatin1(bytes.constData() + start, end - start)))
            return;
        // CR LF is one end. A lone LF is one as well: files edited on Linux have them.
        if (end < size && bytes[end] == kCr && end + 1 < size && bytes[end + 1] == kLf)
            ++end;
        start = end + 1;
    }
}
} // namespace

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    forEachLine(bytes, [&](const QString &line) {
        lines.append(line);
        return true;
    });
    return lines;
}

QStringList profileLines(const QByteArray &bytes)
{
    QStringList stored;
    forEachLine(bytes, [&](const QString &line) {
        if (!line.startsWith(u'#'))
            stored.append(line);
        return stored.size() < kMaxStoredLines;
    });
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
