#include "map/Coastlines.h"

#include <QFile>
#include <QtEndian>

#include <cmath>

namespace {
constexpr double kLongestStep = 0.2; // of the disc's radius
} // namespace

std::optional<Coastlines> Coastlines::parse(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 8 || !bytes.startsWith("SVCL"))
        return std::nullopt;
    const quint32 lines = qFromLittleEndian<quint32>(data + 4);
    Coastlines coast;
    qsizetype at = 8;
    for (quint32 i = 0; i < lines; ++i) {
        if (size - at < 2)
            return std::nullopt;
        const quint16 count = qFromLittleEndian<quint16>(data + at);
        at += 2;
        if (count < 2 || size - at < qsizetype(count) * 4)
            return std::nullopt;
        for (quint16 p = 0; p < count; ++p, at += 4) {
            const Point point{qFromLittleEndian<qint16>(data + at),
                              qFromLittleEndian<qint16>(data + at + 2)};
            if (std::abs(point.lon) > 18000 || std::abs(point.lat) > 9000)
                return std::nullopt;
            coast.m_points.append(point);
        }
        coast.m_starts.append(coast.m_points.size());
    }
    if (at != size)
        return std::nullopt;
    return coast;
}

const Coastlines &Coastlines::builtIn()
{
    static const Coastlines coast = [] {
        QFile file(QStringLiteral(":/map/coastlines.bin"));
        if (!file.open(QIODevice::ReadOnly))
            return Coastlines();
        return parse(file.readAll()).value_or(Coastlines());
    }();
    return coast;
}

QList<Coastlines::Point> Coastlines::line(qsizetype i) const
{
    return m_points.mid(m_starts[i], m_starts[i + 1] - m_starts[i]);
}

QList<QList<QPointF>> Coastlines::project(const AzimuthalProjection &projection) const
{
    QList<QList<QPointF>> out;
    for (qsizetype i = 0; i < lineCount(); ++i) {
        QList<QPointF> piece;
        for (qsizetype p = m_starts[i]; p < m_starts[i + 1]; ++p) {
            const QPointF point =
                projection.project({m_points[p].lat / 100.0, m_points[p].lon / 100.0});
            if (!piece.isEmpty() && std::hypot(point.x() - piece.last().x(),
                                               point.y() - piece.last().y()) > kLongestStep) {
                if (piece.size() > 1)
                    out.append(piece);
                piece.clear();
            }
            piece.append(point);
        }
        if (piece.size() > 1)
            out.append(piece);
    }
    return out;
}
