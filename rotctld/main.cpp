#include "doors/DoorOptions.h"
#include "doors/Doors.h"
#include "rotctld/DdeRotator.h"
#include "rotctld/QuitSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {
constexpr int kUsageError = 2;

void say(const QString &message)
{
    std::fprintf(stderr, "sorvikdde-rotctld: %s\n", qPrintable(message));
}

std::optional<QHostAddress> listenAddress(const QString &text)
{
    if (text == QLatin1String("localhost"))
        return QHostAddress(QHostAddress::LocalHost);
    QHostAddress address;
    if (!address.setAddress(text))
        return std::nullopt;
    return address;
}

// The rotctld door as --listen and --port place it, the options from before the other doors.
std::optional<DoorEndpoint> legacyPlace(const QCommandLineParser &options,
                                        const QCommandLineOption &listen,
                                        const QCommandLineOption &port, QString *error)
{
    const std::optional<QHostAddress> address = listenAddress(options.value(listen));
    if (!address) {
        *error = QStringLiteral("--listen wants an IP address such as 127.0.0.1 or ::1, not "
                                "\"%1\"")
                     .arg(options.value(listen));
        return std::nullopt;
    }
    bool ok = false;
    const uint number = options.value(port).toUInt(&ok);
    if (!ok || number > 65535) {
        *error = QStringLiteral("--port wants a number from 0 to 65535, not \"%1\"")
                     .arg(options.value(port));
        return std::nullopt;
    }
    return DoorEndpoint{*address, quint16(number)};
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A client that hangs up while its reply is written must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Serves SorvikDDE's front doors without it, driving it through its D-Bus link: Hamlib's "
        "rotctld protocol (gpredict, QLog, cqrlog, rotctl -m 2), PstRotator-style and N1MM "
        "rotor datagrams."));
    options.addHelpOption();
    const QCommandLineOption listenOption(
        QStringLiteral("listen"),
        QStringLiteral("Address of the rotctld door (default 127.0.0.1)."),
        QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("TCP port of the rotctld door (default 4533)."),
        QStringLiteral("N"), QStringLiteral("4533"));
    options.addOption(listenOption);
    options.addOption(portOption);
    DoorOptions::add(options);

    if (!options.parse(app.arguments())) {
        say(options.errorText());
        return kUsageError;
    }
    if (options.isSet(QStringLiteral("help")))
        options.showHelp(0);
    if (!options.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument \"%1\"").arg(options.positionalArguments().at(0)));
        return kUsageError;
    }
    QString error;
    std::optional<DoorSettings> settings = DoorOptions::read(options, &error);
    const bool legacy = options.isSet(listenOption) || options.isSet(portOption);
    if (settings && legacy && settings->rotctld)
        error = QStringLiteral("--rotctld places the rotctld door; --listen and --port too: "
                               "give one or the other");
    else if (settings && legacy)
        settings->rotctld = legacyPlace(options, listenOption, portOption, &error);
    if (!error.isEmpty()) {
        say(error);
        return kUsageError;
    }

    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::caught, &app, &QCoreApplication::quit);
    DdeRotator rotator;
    Doors doors(rotator);
    doors.open(*settings);
    for (const QString &line : doors.failures())
        say(line);
    // Without its rotctld door, or with no door at all, the bridge has nothing to do.
    const bool rotctldWanted = !settings->over(DoorSettings::defaults()).rotctld->isOff();
    if ((rotctldWanted && !doors.rotctld()) || doors.listening().isEmpty()) {
        if (doors.listening().isEmpty() && doors.failures().isEmpty())
            say(QStringLiteral("every door is off"));
        return kUsageError;
    }
    if (!QDBusConnection::sessionBus().isConnected())
        say(QStringLiteral("no D-Bus session bus; every command that needs SorvikDDE will "
                           "answer RPRT -6"));
    for (const QString &line : doors.listening())
        say(line);
    return app.exec();
}
