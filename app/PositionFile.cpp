#include "app/PositionFile.h"

#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace PositionFile {

namespace {
QByteArray formatValue(qint64 value)
{
    QByteArray out = value < 0 ? "-" : " ";
    out += QByteArray::number(value < 0 ? -value : value);
    out += " \r\n";
    return out;
}
} // namespace

QByteArray format(qint64 top, qint64 left)
{
    return formatValue(top) + formatValue(left);
}

double numericPrefix(const QString &text)
{
    static const QRegularExpression prefix(
        QStringLiteral(R"(^ *([+-]?(?:\d+\.?\d*|\.\d+)(?:[eEdD][+-]?\d+)?))"));
    const QRegularExpressionMatch match = prefix.match(text);
    if (!match.hasMatch())
        return 0;
    QString number = match.captured(1);
    number.replace(u'd', u'e').replace(u'D', u'e');
    return number.toDouble();
}

Position parse(const QByteArray &bytes)
{
    // A read past the end keeps the text read before it.
    const QStringList lines = TextFile::splitLines(bytes);
    const QString first = lines.value(0);
    const QString second = lines.size() > 1 ? lines[1] : first;
    return {numericPrefix(first), numericPrefix(second)};
}

Position read(const QString &path)
{
    const std::optional<QByteArray> bytes = TextFile::read(path);
    return bytes ? parse(*bytes) : Position{};
}

bool write(const QString &path, qint64 top, qint64 left)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           TextFile::write(path, format(top, left));
}

} // namespace PositionFile
