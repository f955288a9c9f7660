#pragma once

#include "core/Beeper.h"
#include "core/MessageBoxes.h"

// Message boxes as modal QMessageBoxes over the program's active window.
class QtMessageBoxes : public MessageBoxes
{
public:
    void show(Icon icon, const QString &text, const QString &title) override;
};

// The desktop's beep.
class QtBeeper : public Beeper
{
public:
    void beep() override;
};
