#include "app/Program.h"
#include "app/QtMessageBoxes.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"
#include "doors/DoorOptions.h"
#include "hamlib/HamlibRotator.h"
#include "rotor/RotorFamily.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

namespace {
// The folder whose config folder holds the files, decided once at start: the executable's own
// where a config folder is kept already or the user may write (a portable copy, the build
// tree); otherwise, for an installed program, the user's own configuration folder.
QString filesFolder()
{
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own + QStringLiteral("/config")).isDir() || QFileInfo(own).isWritable())
        return own;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/sorvikdde");
}
} // namespace

int main(int argc, char *argv[])
{
    // The application name stays the executable's: the single-instance lock checks its holder by
    // it.
    QApplication app(argc, argv);
    // A file-size limit makes a save fail (and the old file stay) instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A rotctld on the network that hangs up must not end the program through libhamlib's write.
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser options;
    DoorOptions::add(options);
    options.process(app);
    QString error;
    const std::optional<DoorSettings> doors = DoorOptions::read(options, &error);
    if (!doors) {
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(error));
        return 2;
    }

    const QString folder = filesFolder();
    const QString configDir = QDir(folder).filePath(QStringLiteral("config"));
    QtSerialPortDevice port(configDir);
    RotorFamily::setLibraryModels(HamlibRotator::installedModels());
    HamlibRotator library(configDir);
    QtMessageBoxes boxes;
    QtBeeper beeper;
    TimerPauser pauser;
    Program program(folder, {port, boxes, beeper, pauser, &library}, doors);
    if (!program.start())
        return 0;
    return app.exec();
}
