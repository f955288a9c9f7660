#pragma once

// Bearings and distances on a spherical Earth, the way a beam is aimed: the short path is the
// shorter arc of the great circle through both places, the long path the other one.
namespace GreatCircle {

inline constexpr double kEarthRadiusKm = 6371.0;
inline constexpr double kCircumferenceKm = 40030.173592041; // 2 pi R

// Degrees, north and east positive.
struct LatLon
{
    double lat = 0;
    double lon = 0;
};

struct Path
{
    double bearing = 0;    // degrees clockwise from true north, 0 <= bearing < 360
    double distanceKm = 0; // along the path
};

// Radians, 0 to pi.
double angularDistance(LatLon from, LatLon to);
// Degrees, 0 <= b < 360. From a pole, measured from the meridian of from.lon; to the same place
// or its antipode (no single great circle): 0.
double initialBearing(LatLon from, LatLon to);

Path shortPath(LatLon from, LatLon to);
// The short path's bearing turned round; the rest of the circumference.
Path longPath(LatLon from, LatLon to);

// The bearing as the rotor takes it: rounded to a whole degree, 0 to 359 (360 is 0).
int wholeDegree(double bearing);

} // namespace GreatCircle
