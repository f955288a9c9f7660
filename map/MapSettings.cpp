#include "map/MapSettings.h"

#include "core/TextFile.h"
#include "map/Locator.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr qsizetype kMaxTarget = 100;
constexpr int kMaxCoordinate = 1'000'000;
constexpr int kGrabWidth = 64; // of the top edge, to drag the window by
constexpr int kGrabHeight = 24;
} // namespace

MapSettings::MapSettings(const QString &configDir)
    : m_path(QDir(configDir).filePath(QString(kFileName)))
{
    reload();
}

bool MapSettings::setStation(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        m_values.station.clear();
        return true;
    }
    const std::optional<QString> locator = Locator::station(text);
    if (!locator)
        return false;
    m_values.station = *locator;
    return true;
}

void MapSettings::setTarget(const QString &text)
{
    m_values.target = text.trimmed().left(kMaxTarget);
}

void MapSettings::setGeometry(const QRect &geometry)
{
    m_values.geometry = geometry;
}

void MapSettings::reload()
{
    const std::optional<QByteArray> bytes = TextFile::read(m_path);
    m_values = bytes ? parse(*bytes) : Values();
}

bool MapSettings::save(QString *error) const
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot create the folder");
        return false;
    }
    return TextFile::write(m_path, format(m_values), error);
}

QByteArray MapSettings::format(const Values &values)
{
    QByteArray out = "[BeamMap]\n";
    out += "Station=" + values.station.toUtf8() + '\n';
    out += "Target=" + values.target.toUtf8() + '\n';
    if (!values.geometry.isNull()) {
        const QRect &g = values.geometry;
        out += QStringLiteral("Geometry=%1,%2,%3,%4\n")
                   .arg(g.x())
                   .arg(g.y())
                   .arg(g.width())
                   .arg(g.height())
                   .toUtf8();
    }
    return out;
}

MapSettings::Values MapSettings::parse(const QByteArray &bytes)
{
    Values values;
    for (const QString &latin1 : TextFile::splitLines(bytes)) {
        const QString line = QString::fromUtf8(latin1.toLatin1());
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Station") {
            values.station = Locator::station(value).value_or(QString());
        } else if (key == u"Target") {
            bool printable = true;
            for (QChar c : value)
                printable = printable && c.isPrint();
            values.target = printable ? value.left(kMaxTarget) : QString();
        } else if (key == u"Geometry") {
            const QStringList parts = value.split(u',');
            int numbers[4] = {};
            bool ok = parts.size() == 4;
            for (int i = 0; ok && i < 4; ++i) {
                numbers[i] = parts[i].trimmed().toInt(&ok);
                ok = ok && qAbs(numbers[i]) <= kMaxCoordinate;
            }
            const QRect geometry(numbers[0], numbers[1], numbers[2], numbers[3]);
            values.geometry =
                ok && geometry.width() > 0 && geometry.height() > 0 ? geometry : QRect();
        }
    }
    return values;
}

QRect MapSettings::placeOnScreens(const QRect &saved, const QList<QRect> &screens,
                                  const QSize &minimum)
{
    if (saved.isNull() || screens.isEmpty())
        return {};
    QSize largest;
    for (const QRect &screen : screens)
        largest = largest.expandedTo(screen.size());
    const QSize size = saved.size().boundedTo(largest).expandedTo(minimum.boundedTo(largest));
    QRect placed(saved.topLeft(), size);
    const QRect grip(placed.topLeft(), QSize(placed.width(), kGrabHeight));
    for (const QRect &screen : screens) {
        const QRect shared = grip.intersected(screen);
        if (shared.width() >= qMin(kGrabWidth, placed.width()) && shared.height() >= kGrabHeight)
            return placed;
    }
    placed.moveCenter(screens.first().center());
    placed.moveTop(qMax(placed.top(), screens.first().top()));
    placed.moveLeft(qMax(placed.left(), screens.first().left()));
    return placed;
}
