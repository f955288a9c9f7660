#include "app/PositionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace PositionFile {

namespace {
QByteArray formatValue(int value)
{
    QByteArray out = value < 0 ? "-" : " ";
    out += QByteArray::number(qAbs(qint64(value)));
    out += " \r\n";
    return out;
}
} // namespace

QByteArray format(int top, int left)
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
    // A line ends at CR LF, CR or LF; a read past the end keeps the text read before it.
    const QStringList lines =
        QString::fromLatin1(bytes).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    QString first;
    QString second;
    if (!bytes.isEmpty()) {
        first = lines.value(0);
        second = lines.size() > 1 && !(lines.size() == 2 && lines[1].isEmpty()) ? lines[1] : first;
    }
    return {numericPrefix(first), numericPrefix(second)};
}

Position read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

bool write(const QString &path, int top, int left)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    // Unbuffered: a short write (disk full) must fail here, not leave a truncated file committed.
    const QByteArray bytes = format(top, left);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace PositionFile
