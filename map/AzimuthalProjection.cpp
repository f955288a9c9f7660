#include "map/AzimuthalProjection.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kRadians = std::numbers::pi / 180;
} // namespace

AzimuthalProjection::AzimuthalProjection(GreatCircle::LatLon centre)
    : m_centre(centre), m_sinLat(std::sin(centre.lat * kRadians)),
      m_cosLat(std::cos(centre.lat * kRadians))
{}

QPointF AzimuthalProjection::project(GreatCircle::LatLon place) const
{
    const double lat = place.lat * kRadians;
    const double dLon = (place.lon - m_centre.lon) * kRadians;
    const double sinLat = std::sin(lat);
    const double cosLat = std::cos(lat);
    const double cosDLon = std::cos(dLon);
    // East and north components of the direction towards the place; their length is sin(c).
    const double east = cosLat * std::sin(dLon);
    const double north = m_cosLat * sinLat - m_sinLat * cosLat * cosDLon;
    const double sinC = std::hypot(east, north);
    const double cosC = m_sinLat * sinLat + m_cosLat * cosLat * cosDLon;
    const double c = std::atan2(sinC, cosC);
    if (sinC < 1e-12) // the centre itself, or its antipode (any point of the rim)
        return c < 1 ? QPointF(0, 0) : QPointF(0, -1);
    const double scale = c / std::numbers::pi / sinC;
    return {east * scale, north * scale};
}

QPointF AzimuthalProjection::polar(double bearing, double radius)
{
    return {radius * std::sin(bearing * kRadians), radius * std::cos(bearing * kRadians)};
}
