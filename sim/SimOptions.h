#pragma once

#include "sim/ControllerModel.h"

#include <QString>
#include <QStringList>

// The simulator's command line, checked before anything is opened.
struct SimOptions
{
    const SimFamily *family = nullptr;
    ControllerSettings controller;
    QString linkPath;
    QString logPath;

    bool helpRequested = false;
    QString helpText;
    QString error; // set when the command line is refused

    // arguments as QCoreApplication::arguments() gives them, the program's name first.
    static SimOptions parse(const QStringList &arguments);
};
