#pragma once

#include <QString>

// Turning the beam towards a place by name, as the link asks for it: the bearing from the
// station's locator to a locator or "lat,lon".
struct PointAt
{
    enum class Error {
        None,
        NoStation,  // no (valid) station locator is set
        BadLocator, // the target is neither a locator nor a latitude,longitude pair
    };

    Error error = Error::None;
    int azimuth = -1;      // 0 to 359 when there is no error
    double distanceKm = 0; // along the path asked for

    // The short path, or with longPath the long one.
    static PointAt compute(const QString &station, const QString &target, bool longPath);
    // A short sentence for the error, empty for None.
    static QString message(Error error);
};
