#include "sim/SimOptions.h"
#include "sim/SimSignals.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvikdde-sim"));

    const SimOptions options = SimOptions::parse(QCoreApplication::arguments());
    if (options.helpRequested) {
        std::fputs(qPrintable(options.helpText), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "sorvikdde-sim: %s (see --help)\n", qPrintable(options.error));
        return 2;
    }

    SimSignals caught;
    Simulator simulator(options);
    QObject::connect(&caught, &SimSignals::caught, &app, [&simulator](int signalNumber) {
        simulator.note(QStringLiteral("signal %1, ending").arg(signalNumber));
        QCoreApplication::quit();
    });
    QString error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "sorvikdde-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(simulator.slavePath()));
    std::fflush(stdout);
    return app.exec();
}
