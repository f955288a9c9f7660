// What the program spends on events that are not pokes: a controller's reply until the link's
// Changed signal, against a Request round trip; and what idling costs (the banner's ticks, the
// simulator waiting for its line), against a program that only runs a 1 ms timer.
#include "benchmarks/support/BenchPty.h"
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/RawBus.h"
#include "benchmarks/support/Samples.h"
#include "benchmarks/support/Station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <chrono>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 38400;
constexpr int kWaitMs = 5000;
constexpr double kReplyGoal = 1.5;  // x a Request round trip
constexpr double kTickGoalMs = 1.0; // CPU of one banner tick
constexpr double kIdleGoalPercent = 0.01;
constexpr int kBannerPeriodS = 10;
const QString kService = QStringLiteral("org.sorvik.sorvikdde");
const QString kPath = QStringLiteral("/nomeForm");
const QString kInterface = QStringLiteral("org.sorvik.DDE");

QByteArray frame(int azimuth)
{
    return "\002A,?," + QByteArray::number(azimuth).rightJustified(3, '0') + ",B\r";
}

bool bringUp(BenchPty &pty, Station &station, RawBus &bus, const QString &program)
{
    if (!pty.isValid() || !station.startBus() ||
        !station.startProgram(program, pty.slavePath(), kBaud) ||
        !bus.connectTo(station.busAddress()))
        return false;
    if (pty.read(4, std::chrono::seconds(20)) != QByteArray("\002A?\r"))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (!bus.nameHasOwner(kService)) {
        if (waited.elapsed() > 20000)
            return false;
        QThread::msleep(50);
    }
    const QString rule =
        QStringLiteral("type='signal',interface='%1',member='Changed'").arg(kInterface);
    const quint32 serial =
        bus.send(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("AddMatch"), {rule});
    if (!serial || !bus.waitReply(serial, kWaitMs))
        return false;
    QThread::msleep(1000); // start-up work done
    pty.drain();
    return true;
}

struct Cpu
{
    qint64 pid = 0;
    double before = 0;
    double seconds() const { return ProcStat::runSeconds(pid) - before; }
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reply to Changed beside a Request round trip; idle costs beside a 1 ms "
                       "timer program."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("count"), QStringLiteral("Replies and requests (300)."),
                      QStringLiteral("N"), QStringLiteral("300")});
    parser.addOption({QStringLiteral("idle-seconds"), QStringLiteral("Idle measured (60)."),
                      QStringLiteral("s"), QStringLiteral("60")});
    parser.addOption({QStringLiteral("program"), QStringLiteral("The program to measure."),
                      QStringLiteral("path"), QStringLiteral(SORVIKDDE_PATH)});
    parser.process(app);
    const int count = qMax(1, parser.value(QStringLiteral("count")).toInt());
    const int idleSeconds =
        qMax(kBannerPeriodS, parser.value(QStringLiteral("idle-seconds")).toInt());

    BenchPty pty;
    Station station;
    RawBus bus;
    if (!bringUp(pty, station, bus, parser.value(QStringLiteral("program")))) {
        say(QStringLiteral("the program did not come up: %1 %2\n%3")
                .arg(station.errorString(), bus.errorString(), station.logTail()));
        return 2;
    }
    say(QStringLiteral("sorvik-bench-events: PROSISTEL D at %1 baud on a pty, pid %2; load "
                       "average at start: %3 (2 cores)")
            .arg(kBaud)
            .arg(station.pid())
            .arg(loadAverage()));

    // (a) One position frame from the controller until Changed("Label3") reaches a client,
    // alternating with the same client's Request("Label3") round trip.
    Samples toChanged;
    Samples roundTrip;
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        const int azimuth = 100 + (i % 2) * 100;
        const Clock::time_point written = Clock::now();
        const QByteArray bytes = frame(azimuth);
        if (::write(pty.masterFd(), bytes.constData(), size_t(bytes.size())) != bytes.size())
            ++lost;
        const auto changed = bus.waitSignal("Changed", "Label3", kWaitMs);
        if (changed && changed->value(1) == QByteArray::number(azimuth).rightJustified(3, '0'))
            toChanged.add(microseconds(Clock::now() - written));
        else
            ++lost;
        QThread::msleep(10);
        const RawBus::Call call = bus.compose(
            kService, kPath, kInterface, QStringLiteral("Request"), {QStringLiteral("Label3")});
        const Clock::time_point asked = Clock::now();
        bus.send(call);
        if (bus.waitReply(call.serial, kWaitMs))
            roundTrip.add(microseconds(Clock::now() - asked));
        QThread::msleep(10);
        pty.drain();
    }
    const double replyRatio = toChanged.median() / roundTrip.median();
    say(QStringLiteral("(a) %1 replies and requests                      median      p90      p99")
            .arg(count));
    say(QStringLiteral("    reply frame -> Changed(\"Label3\")      %1 %2 %3 us")
            .arg(toChanged.median(), 8, 'f', 0)
            .arg(toChanged.percentile(90), 8, 'f', 0)
            .arg(toChanged.percentile(99), 8, 'f', 0));
    say(QStringLiteral("    Request(\"Label3\") round trip         %1 %2 %3 us")
            .arg(roundTrip.median(), 8, 'f', 0)
            .arg(roundTrip.percentile(90), 8, 'f', 0)
            .arg(roundTrip.percentile(99), 8, 'f', 0));
    say(QStringLiteral("    goal reply -> Changed <= %1 x the round trip: %2x   %3 (%4 lost)")
            .arg(kReplyGoal)
            .arg(replyRatio, 0, 'f', 2)
            .arg(verdict(replyRatio <= kReplyGoal))
            .arg(lost));

    // (b) Idle, side by side over the same seconds: the program, a 1 ms timer program and the
    // simulator with nobody on its line.
    Station reference;
    QProcess sim;
    sim.setProgram(QStringLiteral(SIM_PATH));
    sim.setArguments({QStringLiteral("--model"), QStringLiteral("PROSISTEL D")});
    sim.start();
    if (!reference.startService(QStringLiteral(TICKER_PATH), {}) || !sim.waitForStarted()) {
        say(QStringLiteral("cannot start the references: %1").arg(reference.errorString()));
        return 2;
    }
    QThread::msleep(3000); // both settled
    Cpu program{station.pid(), ProcStat::runSeconds(station.pid())};
    Cpu ticker{reference.pid(), ProcStat::runSeconds(reference.pid())};
    Cpu simulator{sim.processId(), ProcStat::runSeconds(sim.processId())};
    const qint64 wakeupsBefore = ProcStat::mainThreadWakeups(station.pid());
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(idleSeconds);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double programCpu = program.seconds();
    const double tickerCpu = ticker.seconds();
    const double simCpu = simulator.seconds();
    const qint64 wakeups = ProcStat::mainThreadWakeups(station.pid()) - wakeupsBefore;
    const double ticks = seconds / kBannerPeriodS;
    const double programPercent = programCpu / seconds * 100;
    const double tickerPercent = tickerCpu / seconds * 100;
    const double tickMs = programCpu * 1000 / ticks;
    say(QStringLiteral("(b) idle for %1 s, side by side").arg(seconds, 0, 'f', 1));
    say(QStringLiteral("    program                %1 % of a core, goal <= %2 %   %3")
            .arg(programPercent, 0, 'f', 4)
            .arg(kIdleGoalPercent)
            .arg(verdict(programPercent <= kIdleGoalPercent)));
    say(QStringLiteral("    1 ms timer program     %1 % of a core; program/timer %2x")
            .arg(tickerPercent, 0, 'f', 4)
            .arg(programPercent / tickerPercent, 0, 'f', 4));
    say(QStringLiteral("    a banner tick          %1 ms of CPU, %2 main-thread wake-ups, goal <= "
                       "%3 ms   %4")
            .arg(tickMs, 0, 'f', 2)
            .arg(double(wakeups) / ticks, 0, 'f', 1)
            .arg(kTickGoalMs)
            .arg(verdict(tickMs <= kTickGoalMs)));
    say(QStringLiteral("    simulator, line closed %1 % of a core (%2 ms in all), goal 0   %3")
            .arg(simCpu / seconds * 100, 0, 'f', 4)
            .arg(simCpu * 1000, 0, 'f', 2)
            .arg(verdict(simCpu * 1000 < 1)));
    sim.terminate();
    sim.waitForFinished(5000);
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    return 0;
}
