#include "map/PointAt.h"

#include "map/Locator.h"

PointAt PointAt::compute(const QString &station, const QString &target, bool longPath)
{
    const std::optional<QString> home = Locator::station(station);
    const std::optional<GreatCircle::LatLon> from = home ? Locator::centre(*home) : std::nullopt;
    if (!from)
        return {Error::NoStation};
    const std::optional<GreatCircle::LatLon> to = Locator::target(target);
    if (!to)
        return {Error::BadLocator};
    const GreatCircle::Path path =
        longPath ? GreatCircle::longPath(*from, *to) : GreatCircle::shortPath(*from, *to);
    return {Error::None, GreatCircle::wholeDegree(path.bearing), path.distanceKm};
}

QString PointAt::message(Error error)
{
    switch (error) {
    case Error::None:
        return {};
    case Error::NoStation:
        return QStringLiteral("No station locator is set: enter it in the beam map");
    case Error::BadLocator:
        return QStringLiteral("Not a locator (JN45, JN45fo, JN45fo27) nor latitude,longitude");
    }
    return {};
}
