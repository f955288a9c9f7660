#pragma once

#include <QString>

// What the command intake and the dispatcher ask of the main window and the dialog.
class RotorHost
{
public:
    virtual ~RotorHost() = default;
    // "QUIT": the program's normal close (position saved, port closed).
    virtual void closeProgram() = 0;
    // "ACK": re-arms the main window from the profile in force.
    virtual void Rigenera() = 0;
    // "ACK": the banner timer RTX1 starts its 10 s again.
    virtual void rearmBanner() = 0;
    // The configuration dialog's model box CmbRotor; reading it loads the dialog hidden when it
    // is not loaded.
    virtual QString dialogModelText() = 0;
};
