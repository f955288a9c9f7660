#pragma once

#include "app/FrmSorvikDDE.h"
#include "app/SignalCloser.h"
#include "app/SingleInstance.h"
#include "app/link/DdeService.h"
#include "configuration/Configuration.h"
#include "core/MainPanel.h"
#include "doors/DoorSettings.h"
#include "feedback/Banner.h"
#include "feedback/ReplyPoller.h"
#include "feedback/StatusCommand.h"
#include "map/MapSettings.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorLine.h"
#include "rotor/RotorState.h"

#include <QObject>

#include <memory>

class BeamMapWindow;
class Beeper;
class Doors;
class LocalRotator;
class MessageBoxes;
class Pauser;
class RotatorLibrary;
class SerialPort;

// The whole program, put together: one of each part, wired to the others. The world comes in
// through the seams: the real port, boxes, beep and pauses in main, fakes in tests.
class Program : public QObject
{
    Q_OBJECT
public:
    struct Seams
    {
        SerialPort &port;
        MessageBoxes &boxes;
        Beeper &beeper;
        Pauser &pauser;
        // What drives the library families' rotators; none: they cannot open.
        RotatorLibrary *library = nullptr;
    };

    // programDir: the folder whose config folder holds the files (and keys the single instance).
    // doors: the front doors the command line places, over config/Doors.ini and the defaults;
    // none: no doors at all.
    Program(const QString &programDir, Seams seams,
            std::optional<DoorSettings> doors = std::nullopt, QObject *parent = nullptr);
    ~Program() override;

    // Start-up, then the first activation once the event loop runs; false when another instance
    // runs and this one must end.
    bool start();

private:
    void closeRequest();
    // MAP: the beam map opened, or raised when it is open already.
    void showMap();
    // The doors open where the settings place them; a door that cannot is a line in the
    // traffic box, and the program goes on.
    void openDoors();

    SingleInstance m_instance;
    MainPanel m_panel;
    Configuration m_config;
    RotorState m_state;
    MapSettings m_map;
    RotorLine m_line;
    ReplyPoller m_poller;
    StatusCommand m_status;
    Banner m_banner;
    RotorControl m_rotor;
    std::unique_ptr<FrmSorvikDDE> m_window;
    DdeService m_link;
    std::unique_ptr<BeamMapWindow> m_mapWindow;
    std::optional<DoorSettings> m_doorSettings;
    std::unique_ptr<LocalRotator> m_doorRotator;
    std::unique_ptr<Doors> m_doors;
    SignalCloser m_signals;
};
