#include "app/Program.h"
#include "app/QtMessageBoxes.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>

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

    const QString folder = filesFolder();
    QtSerialPortDevice port(QDir(folder).filePath(QStringLiteral("config")));
    QtMessageBoxes boxes;
    QtBeeper beeper;
    TimerPauser pauser;
    Program program(folder, {port, boxes, beeper, pauser});
    if (!program.start())
        return 0;
    return app.exec();
}
