#include "rotctld/DdeRotator.h"
#include "rotctld/QuitSignals.h"
#include "rotctld/RotctldServer.h"

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
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A client that hangs up while its reply is written must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Speaks Hamlib's rotctld protocol to rotator clients (gpredict, QLog, "
                       "cqrlog, rotctl -m 2) and drives SorvikDDE through its D-Bus link."));
    options.addHelpOption();
    const QCommandLineOption listenOption(
        QStringLiteral("listen"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
        QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("TCP port to listen on (default %1).").arg(RotctldServer::kDefaultPort),
        QStringLiteral("N"), QString::number(RotctldServer::kDefaultPort));
    options.addOption(listenOption);
    options.addOption(portOption);

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
    const std::optional<QHostAddress> address = listenAddress(options.value(listenOption));
    if (!address) {
        say(QStringLiteral("--listen wants an IP address such as 127.0.0.1 or ::1, not \"%1\"")
                .arg(options.value(listenOption)));
        return kUsageError;
    }
    bool portOk = false;
    const uint port = options.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        say(QStringLiteral("--port wants a number from 0 to 65535, not \"%1\"")
                .arg(options.value(portOption)));
        return kUsageError;
    }

    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::caught, &app, &QCoreApplication::quit);
    DdeRotator rotator;
    RotctldServer server(rotator);
    if (!server.listen(*address, quint16(port))) {
        say(QStringLiteral("cannot listen on %1 port %2: %3")
                .arg(address->toString())
                .arg(port)
                .arg(server.errorString()));
        return kUsageError;
    }
    if (!QDBusConnection::sessionBus().isConnected())
        say(QStringLiteral("no D-Bus session bus; every command that needs SorvikDDE will "
                           "answer RPRT -6"));
    say(QStringLiteral("listening on %1 port %2").arg(address->toString()).arg(server.port()));
    return app.exec();
}
