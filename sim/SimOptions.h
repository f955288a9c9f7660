#pragma once

#include "sim/ControllerModel.h"

#include <QString>
#include <QStringList>

// The simulator's command line, checked before anything is opened.
struct SimOptions
{
    ControllerModel::Family family = ControllerModel::Family::ProsistelD;
    double degreesPerSecond = 6.0;
    double startAzimuth = 0.0;
    QString linkPath;
    QString logPath;

    bool helpRequested = false;
    QString helpText;
    QString error; // set when the command line is refused

    // arguments as QCoreApplication::arguments() gives them, the program's name first.
    static SimOptions parse(const QStringList &arguments);
};
