#include "doors/Doors.h"

#include "doors/N1mmDoor.h"
#include "doors/PstDoor.h"
#include "doors/RotctldServer.h"

Doors::Doors(DoorRotator &rotator, QObject *parent) : QObject(parent), m_rotator(rotator) {}

Doors::~Doors() = default;

template <typename Door>
void Doors::openDoor(std::unique_ptr<Door> &door, const DoorEndpoint &place, const char *name)
{
    if (place.isOff())
        return;
    auto opening = std::make_unique<Door>(m_rotator);
    if (!opening->listen(place.address, place.port)) {
        m_failures << QStringLiteral("cannot listen on %1 port %2 (%3): %4")
                          .arg(place.address.toString())
                          .arg(place.port)
                          .arg(QLatin1String(name), opening->errorString());
        return;
    }
    m_listening << QStringLiteral("listening on %1 port %2 (%3)")
                       .arg(place.address.toString())
                       .arg(opening->port())
                       .arg(QLatin1String(name));
    door = std::move(opening);
}

void Doors::open(const DoorSettings &given)
{
    const DoorSettings settings = given.over(DoorSettings::defaults());
    openDoor(m_rotctld, *settings.rotctld, kRotctldName);
    openDoor(m_pst, *settings.pstUdp, kPstName);
    openDoor(m_n1mm, *settings.n1mmUdp, kN1mmName);
    if (m_n1mm && !settings.n1mmHeading->isOff()) {
        m_n1mm->tellHeadingTo(settings.n1mmHeading->address, settings.n1mmHeading->port);
        m_listening.last() +=
            QStringLiteral(", heading to %1").arg(settings.n1mmHeading->toString());
    }
}
