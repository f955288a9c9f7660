#include "app/Program.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // The application name stays the executable's: the single-instance lock checks its holder by
    // it.
    QApplication app(argc, argv);
    // The link is named after the executable, as the logbook expects.
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    Program program(QCoreApplication::applicationDirPath(), QStringLiteral("org.sorvik.") + name);
    if (!program.start())
        return 0;
    return app.exec();
}
