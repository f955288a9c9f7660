#include "app/Program.h"
#include "app/QtMessageBoxes.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"

#include <QApplication>
#include <QDir>

#include <csignal>

int main(int argc, char *argv[])
{
    // The application name stays the executable's: the single-instance lock checks its holder by
    // it.
    QApplication app(argc, argv);
    // A file-size limit makes a save fail (and the old file stay) instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);

    const QString programDir = QCoreApplication::applicationDirPath();
    QtSerialPortDevice port(QDir(programDir).filePath(QStringLiteral("config")));
    QtMessageBoxes boxes;
    QtBeeper beeper;
    TimerPauser pauser;
    Program program(programDir, {port, boxes, beeper, pauser});
    if (!program.start())
        return 0;
    return app.exec();
}
