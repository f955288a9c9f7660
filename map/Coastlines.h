#pragma once

#include "map/AzimuthalProjection.h"

#include <QByteArray>
#include <QList>
#include <QPointF>

#include <optional>

// The world's coastlines (Natural Earth 1:110m, converted by scripts/coastlines) as polylines of
// longitude and latitude, and how they look from the station.
class Coastlines
{
public:
    // Hundredths of a degree.
    struct Point
    {
        qint16 lon;
        qint16 lat;
    };

    // The resource's bytes: "SVCL", a uint32 line count, then per line a uint16 point count and
    // the points as int16 longitude and latitude pairs, all little-endian. Anything short,
    // long or out of range: nullopt.
    static std::optional<Coastlines> parse(const QByteArray &bytes);
    // The coastlines shipped with the program, read once; empty if the resource is damaged.
    static const Coastlines &builtIn();

    qsizetype lineCount() const { return m_starts.size() - 1; }
    qsizetype pointCount() const { return m_points.size(); }
    // The points of line i.
    QList<Point> line(qsizetype i) const;

    // The lines in the projection's unit disc. A line is cut where one step jumps across the
    // disc: only next to the antipode, where the projection tears the coast apart.
    QList<QList<QPointF>> project(const AzimuthalProjection &projection) const;

private:
    QList<Point> m_points;
    QList<qsizetype> m_starts{0}; // where each line starts, and the end of the last
};
