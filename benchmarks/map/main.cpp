// The beam map window's costs, measured in this process on the offscreen platform: opening it
// (construction, show and first paint, reading and projecting the coastlines included), keeping it
// open while nothing moves, and following a rotor whose state changes far faster than a screen
// needs. Prints each figure beside its goal and exits 0.
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/Samples.h"
#include "map/Coastlines.h"
#include "map/MapSettings.h"
#include "map/window/BeamMapView.h"
#include "map/window/BeamMapWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {
constexpr double kOpenGoalMs = 150;
constexpr double kIdleGoalPercent = 0.05;
constexpr double kPaintGoalPerSecond = 20;

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

double cpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for a while; this program's own pause, not the window's.
void run(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the paint events of a widget and notes when the first one has been handled.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    QEventLoop *waitingForFirst = nullptr;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && ++paints == 1 && waitingForFirst)
            QTimer::singleShot(0, waitingForFirst, &QEventLoop::quit); // after this paint
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the beam map window."));
    parser.addHelpOption();
    const QCommandLineOption idleOption(QStringLiteral("idle-seconds"),
                                        QStringLiteral("How long to watch the idle window (20)."),
                                        QStringLiteral("s"), QStringLiteral("20"));
    const QCommandLineOption turnOption(QStringLiteral("turn-seconds"),
                                        QStringLiteral("How long the rotor turns (5)."),
                                        QStringLiteral("s"), QStringLiteral("5"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Rotor state changes a second (1000)."),
                                        QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption shotOption(QStringLiteral("shot"),
                                        QStringLiteral("Save a picture of the window to FILE."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption stationOption(QStringLiteral("station"),
                                           QStringLiteral("The station's locator (JN45fo)."),
                                           QStringLiteral("locator"), QStringLiteral("JN45fo"));
    parser.addOptions({idleOption, turnOption, rateOption, shotOption, stationOption});
    parser.process(app);
    const int idleSeconds = qMax(1, parser.value(idleOption).toInt());
    const int turnSeconds = qMax(1, parser.value(turnOption).toInt());
    const int rate = std::clamp(parser.value(rateOption).toInt(), 1, 1000);

    print(QStringLiteral("sorvik-bench-map: platform %1, load average at start %2")
              .arg(QGuiApplication::platformName(), loadAverage()));

    // The program shows its main window first: fonts and style are warm when the map opens.
    {
        QLabel warm(QStringLiteral("SorvikDDE 359\u00b0"));
        warm.show();
        warm.grab();
    }

    QTemporaryDir dir;
    {
        MapSettings stored(dir.path());
        stored.setStation(parser.value(stationOption));
        stored.setTarget(QStringLiteral("FN31pr"));
        stored.save();
    }
    MapSettings settings(dir.path());
    RotorState rotor;
    rotor.setCommanded(30);
    rotor.setReported(30);
    int turns = 0;

    // Opening: construction, show, and the first paint of the map handled.
    PaintCounter counter;
    QEventLoop firstPaint;
    counter.waitingForFirst = &firstPaint;
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<BeamMapWindow>(rotor, settings, [&turns](int) { ++turns; });
    window->view()->installEventFilter(&counter);
    window->show();
    QTimer::singleShot(5000, &firstPaint, &QEventLoop::quit);
    firstPaint.exec();
    const double openMs = clock.nsecsElapsed() / 1e6;
    counter.waitingForFirst = nullptr;
    print(QStringLiteral("open (construct, show, first paint): %1 ms, goal <= %2 ms: %3")
              .arg(openMs, 0, 'f', 1)
              .arg(kOpenGoalMs)
              .arg(verdict(counter.paints > 0 && openMs <= kOpenGoalMs)));
    {
        Samples projectMs;
        QFile resource(QStringLiteral(":/map/coastlines.bin"));
        resource.open(QIODevice::ReadOnly);
        const QByteArray bytes = resource.readAll();
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            const std::optional<Coastlines> coast = Coastlines::parse(bytes);
            const auto lines = coast->project(AzimuthalProjection({45.6, 8.5}));
            projectMs.add(t.nsecsElapsed() / 1e6);
        }
        print(QStringLiteral("  of which coastlines read and projected: %1 ms (median of 20)")
                  .arg(projectMs.median(), 0, 'f', 2));
    }

    // Idle: the window open, the rotor still.
    run(1000);
    const qint64 pid = QCoreApplication::applicationPid();
    const int paintsBefore = counter.paints;
    const qint64 wakeupsBefore = ProcStat::mainThreadWakeups(pid);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer idleClock;
    idleClock.start();
    run(idleSeconds * 1000);
    const double idleElapsed = idleClock.nsecsElapsed() / 1e9;
    const double idlePercent = (cpuSeconds() - cpuBefore) / idleElapsed * 100;
    print(QStringLiteral("idle, %1 s with the window open: CPU %2 % of a core, goal <= %3 %: %4")
              .arg(idleSeconds)
              .arg(idlePercent, 0, 'f', 3)
              .arg(kIdleGoalPercent)
              .arg(verdict(idlePercent <= kIdleGoalPercent)));
    print(QStringLiteral("  paints %1, main thread wake-ups %2 (the benchmark's own timer: 1)")
              .arg(counter.paints - paintsBefore)
              .arg(ProcStat::mainThreadWakeups(pid) - wakeupsBefore));

    // A turn: a state change every 1/rate s, one degree each.
    QTimer driver;
    driver.setTimerType(Qt::PreciseTimer);
    driver.setInterval(1000 / rate);
    int changes = 0;
    QObject::connect(&driver, &QTimer::timeout, [&rotor, &changes] {
        rotor.setReported((rotor.reported() + 1) % 360);
        ++changes;
    });
    rotor.setCommanded(29);
    rotor.setMoving(true);
    const int paintsBeforeTurn = counter.paints;
    const double cpuBeforeTurn = cpuSeconds();
    QElapsedTimer turnClock;
    turnClock.start();
    driver.start();
    run(turnSeconds * 1000);
    driver.stop();
    const double turnElapsed = turnClock.nsecsElapsed() / 1e9;
    const double turnCpu = (cpuSeconds() - cpuBeforeTurn) / turnElapsed * 100;
    const double paintsPerSecond = (counter.paints - paintsBeforeTurn) / turnElapsed;
    rotor.setMoving(false);
    run(200);
    print(QStringLiteral("turning, %1 state changes a second for %2 s: %3 paints a second, goal "
                         "<= %4: %5")
              .arg(changes / turnElapsed, 0, 'f', 0)
              .arg(turnSeconds)
              .arg(paintsPerSecond, 0, 'f', 1)
              .arg(kPaintGoalPerSecond)
              .arg(verdict(paintsPerSecond <= kPaintGoalPerSecond && paintsPerSecond > 0)));
    print(QStringLiteral("  CPU while turning (driver included): %1 % of a core; the needle shows "
                         "%2, the rotor says %3")
              .arg(turnCpu, 0, 'f', 1)
              .arg(window->view()->shown().reported)
              .arg(rotor.reported()));

    if (parser.isSet(shotOption)) {
        window->view()->setFocus();
        run(100);
        window->grab().save(parser.value(shotOption));
    }
    print(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    return 0;
}
