#pragma once

#include "doors/DoorSettings.h"

#include <QObject>
#include <QStringList>

#include <memory>

class DoorRotator;
class N1mmDoor;
class PstDoor;
class RotctldServer;

// The front doors one host opens on its rotator, as the settings place them: rotctld on TCP,
// PstRotator-style and N1MM rotor datagrams on UDP. A door that cannot open is told, and the
// others open all the same.
class Doors : public QObject
{
    Q_OBJECT
public:
    explicit Doors(DoorRotator &rotator, QObject *parent = nullptr);
    ~Doors() override;

    // Opens every door that is not off; unset ones take their defaults.
    void open(const DoorSettings &settings);
    // "listening on 127.0.0.1 port 4533 (rotctld)", one line per door open.
    QStringList listening() const { return m_listening; }
    // "cannot listen on 127.0.0.1 port 4533 (rotctld): <why>", one line per door that failed.
    QStringList failures() const { return m_failures; }

    // Each door once open, else null.
    RotctldServer *rotctld() const { return m_rotctld.get(); }
    PstDoor *pst() const { return m_pst.get(); }
    N1mmDoor *n1mm() const { return m_n1mm.get(); }

    static constexpr auto kRotctldName = "rotctld";
    static constexpr auto kPstName = "PstRotator UDP";
    static constexpr auto kN1mmName = "N1MM UDP";

private:
    // Keeps the door when it listens, tells either way.
    template <typename Door>
    void openDoor(std::unique_ptr<Door> &door, const DoorEndpoint &place, const char *name);

    DoorRotator &m_rotator;
    std::unique_ptr<RotctldServer> m_rotctld;
    std::unique_ptr<PstDoor> m_pst;
    std::unique_ptr<N1mmDoor> m_n1mm;
    QStringList m_listening;
    QStringList m_failures;
};
