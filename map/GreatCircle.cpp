#include "map/GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace GreatCircle {

namespace {
static_assert(kCircumferenceKm - 2 * std::numbers::pi * kEarthRadiusKm < 1e-6 &&
              2 * std::numbers::pi * kEarthRadiusKm - kCircumferenceKm < 1e-6);
constexpr double kRadians = std::numbers::pi / 180;

double normalised(double degrees)
{
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360; // may round to 360 itself
    return d >= 360 ? 0 : d;
}
} // namespace

double angularDistance(LatLon from, LatLon to)
{
    // Haversine, with atan2 so the antipode stays exact.
    const double dLat = (to.lat - from.lat) * kRadians;
    const double dLon = (to.lon - from.lon) * kRadians;
    const double a = std::pow(std::sin(dLat / 2), 2) + std::cos(from.lat * kRadians) *
                                                           std::cos(to.lat * kRadians) *
                                                           std::pow(std::sin(dLon / 2), 2);
    const double h = std::clamp(a, 0.0, 1.0);
    return 2 * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

double initialBearing(LatLon from, LatLon to)
{
    const double lat1 = from.lat * kRadians;
    const double lat2 = to.lat * kRadians;
    const double dLon = (to.lon - from.lon) * kRadians;
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x =
        std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    if (std::hypot(x, y) < 1e-12)
        return 0;
    return normalised(std::atan2(y, x) / kRadians);
}

Path shortPath(LatLon from, LatLon to)
{
    return {initialBearing(from, to), angularDistance(from, to) * kEarthRadiusKm};
}

Path longPath(LatLon from, LatLon to)
{
    const Path shortest = shortPath(from, to);
    return {normalised(shortest.bearing + 180), kCircumferenceKm - shortest.distanceKm};
}

int wholeDegree(double bearing)
{
    return int(std::lround(normalised(bearing))) % 360;
}

} // namespace GreatCircle
