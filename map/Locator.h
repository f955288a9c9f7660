#pragma once

#include "map/GreatCircle.h"

#include <QString>
#include <QStringView>

#include <optional>

// Maidenhead locators (JN45, JN45fo, JN45fo27) and the places an operator types: a locator or a
// "latitude,longitude" pair in decimal degrees.
namespace Locator {

// The centre of the square a locator of 4, 6 or 8 characters names, letters in either case.
// Anything else: nullopt.
std::optional<GreatCircle::LatLon> centre(QStringView locator);

// A station's own locator, 4 or 6 characters, blanks around it ignored, written the usual way:
// field letters upper case, subsquare letters lower case ("jn45FO" is "JN45fo"). Else nullopt.
std::optional<QString> station(QStringView text);

// Where a text points: a locator of 4, 6 or 8 characters, or "lat,lon" with -90 <= lat <= 90 and
// -180 <= lon <= 180 (blanks allowed around each number). Else nullopt.
std::optional<GreatCircle::LatLon> target(QStringView text);

} // namespace Locator
