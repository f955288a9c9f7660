#include "app/Program.h"
#include "app/QtMessageBoxes.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"
#include "core/Version.h"
#include "doors/DoorOptions.h"
#include "hamlib/HamlibRotator.h"
#include "rotor/RotorFamily.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

namespace {
constexpr int kUsageError = 2;

// ${XDG_CONFIG_HOME:-~/.config}/sorvikdde; a relative XDG_CONFIG_HOME is invalid and ignored, as
// the XDG base-directory rules say.
QString userFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        QString home = QDir::homePath();
        if (qEnvironmentVariableIsEmpty("HOME"))
            if (const passwd *user = ::getpwuid(::getuid()))
                home = QFile::decodeName(user->pw_dir);
        base = home + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/sorvikdde");
}

// The folder whose config folder holds the files, decided once at start. The prefix is chosen
// when installing (--prefix, the package's /usr), not when building, so an install is known by
// the D-Bus activation file it lays out in share/ beside bin/: an installed program keeps its files
// in the user's folder, for root too, and ignores a config folder an older version left beside it.
// The build tree (the build's CMakeCache.txt one folder up) and a portable copy (a config folder
// already beside it) keep theirs beside the executable. The executable's folder has its links
// resolved.
QString filesFolder()
{
    const QDir own(QCoreApplication::applicationDirPath());
    if (own.exists(QStringLiteral(SORVIK_INSTALL_MARKER)))
        return userFolder();
    if (own.exists(QStringLiteral("../CMakeCache.txt")) ||
        QFileInfo(own.filePath(QStringLiteral("config"))).isDir())
        return own.path();
    return userFolder();
}

void describeOptions(QCommandLineParser &options)
{
    options.setApplicationDescription(
        QStringLiteral("Points an antenna rotator for the Sorvik logbook: the logbook sets an "
                       "azimuth over the D-Bus link, SorvikDDE drives the rotor controller on a "
                       "serial port."));
    options.addHelpOption();
    options.addVersionOption();
    DoorOptions::add(options);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QString(kVersion).mid(1));
    // --help and --version answer without a display: they are read before the window system is
    // opened.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser options;
        describeOptions(options);
        if (options.parse(arguments) &&
            (options.isSet(QStringLiteral("help")) || options.isSet(QStringLiteral("help-all")) ||
             options.isSet(QStringLiteral("version")))) {
            QCoreApplication app(argc, argv);
            options.process(app);
        }
    }

    // The application name stays the executable's: the single-instance lock checks its holder by
    // it.
    QApplication app(argc, argv);
    // The rest once Qt has taken its own options (-platform, -style and the like).
    QCommandLineParser options;
    describeOptions(options);
    if (!options.parse(QCoreApplication::arguments()) || !options.positionalArguments().isEmpty()) {
        const QString why =
            options.errorText().isEmpty()
                ? QStringLiteral("unexpected argument \"%1\"").arg(options.positionalArguments()[0])
                : options.errorText();
        std::fprintf(stderr, "sorvikdde: %s (see --help)\n", qPrintable(why));
        return kUsageError;
    }
    QString error;
    const std::optional<DoorSettings> doors = DoorOptions::read(options, &error);
    if (!doors) {
        std::fprintf(stderr, "sorvikdde: %s (see --help)\n", qPrintable(error));
        return kUsageError;
    }
    // A file-size limit makes a save fail (and the old file stay) instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A rotctld on the network that hangs up must not end the program through libhamlib's write.
    std::signal(SIGPIPE, SIG_IGN);

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
