#pragma once

#include "map/GreatCircle.h"

#include <QPointF>

// The azimuthal equidistant projection centred on the station: a place lies at its true bearing
// from the centre, at a distance in proportion to its great-circle distance. Every straight line
// through the centre is a great circle, and the antipode is the whole rim.
class AzimuthalProjection
{
public:
    explicit AzimuthalProjection(GreatCircle::LatLon centre);

    GreatCircle::LatLon centre() const { return m_centre; }

    // In the unit disc, x east and y north: the radius is the angular distance over pi, so the
    // antipode and the places next to it go to the rim.
    QPointF project(GreatCircle::LatLon place) const;

    // The point of the unit disc at a bearing (degrees) and radius (0 to 1).
    static QPointF polar(double bearing, double radius);

private:
    GreatCircle::LatLon m_centre;
    double m_sinLat;
    double m_cosLat;
};
