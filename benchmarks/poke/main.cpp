// Pokes the real program, a minimal QtDBus reference service and the physical limit (plain C on
// libdbus), each on its own pty and private bus, and prints how long each takes from the call to
// the first byte of the drive on the wire and the CPU each spends on a poke.
#include "benchmarks/support/BenchPty.h"
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/RawBus.h"
#include "benchmarks/support/Samples.h"
#include "benchmarks/support/Station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <poll.h>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 38400;
constexpr int kDriveBytes = 14; // STX "AG977" CR, STX "AGddd" CR
constexpr int kWaitMs = 5000;
constexpr double kMedianGoal = 1.2;
constexpr double kP99Goal = 2.0;
constexpr double kCpuGoal = 1.5;
const QString kService = QStringLiteral("org.sorvik.sorvikdde");

// One service under measurement with its pty, bus and the client's connection to that bus.
struct Target
{
    QString name;
    BenchPty pty;
    Station station;
    RawBus bus;
    Samples firstByte;
    Samples allBytes;
    int pokes = 0;
    int noFirstByte = 0;
    int wrongBytes = 0;
    int extraBytes = 0;
    int noReply = 0;
    double cpuSeconds = 0;
    qint64 mainWakeups = 0;
    qint64 allWakeups = 0;
};

bool waitForName(Target &target)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (target.bus.nameHasOwner(kService))
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool bringUp(Target &target, bool isProgram, const QString &path, const QStringList &wrapper = {})
{
    if (!target.pty.isValid() || !target.station.startBus())
        return false;
    const bool started =
        isProgram ? target.station.startProgram(path, target.pty.slavePath(), kBaud, wrapper)
                  : target.station.startService(path, {target.pty.slavePath(), kService});
    if (!started || !target.bus.connectTo(target.station.busAddress()))
        return false;
    // The program's first activation opens the port and asks the controller for its state.
    // A program under valgrind needs far longer to start.
    const auto startTime = std::chrono::seconds(wrapper.isEmpty() ? 20 : 300);
    if (isProgram && target.pty.read(4, startTime) != QByteArray("\002A?\r"))
        return false;
    if (!waitForName(target))
        return false;
    QThread::msleep(1000); // start-up work done before the first poke
    target.pty.drain();
    return true;
}

// One poke, timed from just before the call's write to the first byte readable on the master.
void poke(Target &target, int index, int gapMs, bool record)
{
    const QString azimuth = index % 2 ? QStringLiteral("225") : QStringLiteral("45");
    const QByteArray expected =
        "\002AG977\r\002AG" + azimuth.toLatin1().rightJustified(3, '0') + "\r";
    const RawBus::Call call =
        target.bus.compose(kService, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"),
                           QStringLiteral("Poke"), {QStringLiteral("Text1"), azimuth});
    target.pty.drain();

    const Clock::time_point sent = Clock::now();
    target.bus.send(call);
    pollfd master{target.pty.masterFd(), POLLIN, 0};
    const int ready = ::poll(&master, 1, kWaitMs);
    const Clock::time_point first = Clock::now();
    const QByteArray bytes = target.pty.read(kDriveBytes, std::chrono::milliseconds(kWaitMs));
    const Clock::time_point all = Clock::now();
    const bool replied = target.bus.waitReply(call.serial, kWaitMs).has_value();

    // What comes after the drive (nothing, for these two) is looked at once the gap is over.
    QThread::msleep(qulonglong(gapMs));
    const QByteArray after = target.pty.drain();
    if (!record)
        return;
    ++target.pokes;
    if (ready <= 0) {
        ++target.noFirstByte;
        return;
    }
    target.firstByte.add(microseconds(first - sent));
    if (bytes == expected)
        target.allBytes.add(microseconds(all - sent));
    else
        ++target.wrongBytes;
    if (!after.isEmpty())
        ++target.extraBytes;
    if (!replied)
        ++target.noReply;
}

QString row(const QString &name, const Samples &s)
{
    return QStringLiteral("  %1 %2 %3 %4 %5 us")
        .arg(name, -22)
        .arg(s.median(), 8, 'f', 0)
        .arg(s.percentile(90), 8, 'f', 0)
        .arg(s.percentile(99), 8, 'f', 0)
        .arg(s.max(), 8, 'f', 0);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Poke to first byte on the wire: the program beside a minimal service."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("count"), QStringLiteral("Pokes measured per service (500)."),
                      QStringLiteral("N"), QStringLiteral("500")});
    parser.addOption({QStringLiteral("warmup"),
                      QStringLiteral("Pokes per service before measuring (20)."),
                      QStringLiteral("N"), QStringLiteral("20")});
    parser.addOption({QStringLiteral("block"),
                      QStringLiteral("Pokes to one service before turning to the other (50)."),
                      QStringLiteral("N"), QStringLiteral("50")});
    parser.addOption({QStringLiteral("gap"), QStringLiteral("Pause after each drive, ms (20)."),
                      QStringLiteral("ms"), QStringLiteral("20")});
    parser.addOption({QStringLiteral("program"), QStringLiteral("The program to measure."),
                      QStringLiteral("path"), QStringLiteral(SORVIKDDE_PATH)});
    parser.addOption({QStringLiteral("minimal"), QStringLiteral("The reference service."),
                      QStringLiteral("path"), QStringLiteral(MINIMAL_PATH)});
    parser.addOption({QStringLiteral("limit"),
                      QStringLiteral("The physical limit: a plain libdbus service in C."),
                      QStringLiteral("path"), QStringLiteral(LIMIT_PATH)});
    parser.addOption({QStringLiteral("wrap"),
                      QStringLiteral("Start the program under this command, such as "
                                     "\"valgrind --tool=callgrind\"."),
                      QStringLiteral("command")});
    parser.process(app);
    const int count = qMax(1, parser.value(QStringLiteral("count")).toInt());
    const int warmup = qMax(0, parser.value(QStringLiteral("warmup")).toInt());
    const int block = qMax(1, parser.value(QStringLiteral("block")).toInt());
    const int gapMs = qMax(0, parser.value(QStringLiteral("gap")).toInt());

    Target program;
    program.name = QStringLiteral("program (sorvikdde)");
    Target minimal;
    minimal.name = QStringLiteral("minimal reference");
    Target limit;
    limit.name = QStringLiteral("physical limit (C)");
    const QStringList wrapper =
        parser.value(QStringLiteral("wrap")).split(u' ', Qt::SkipEmptyParts);
    if (!bringUp(program, true, parser.value(QStringLiteral("program")), wrapper)) {
        say(QStringLiteral("the program did not come up: %1 %2\n%3")
                .arg(program.station.errorString(), program.bus.errorString(),
                     program.station.logTail()));
        return 2;
    }
    if (!bringUp(minimal, false, parser.value(QStringLiteral("minimal")))) {
        say(QStringLiteral("the minimal service did not come up: %1 %2\n%3")
                .arg(minimal.station.errorString(), minimal.bus.errorString(),
                     minimal.station.logTail()));
        return 2;
    }

    if (!bringUp(limit, false, parser.value(QStringLiteral("limit")))) {
        say(QStringLiteral("the physical-limit service did not come up: %1 %2\n%3")
                .arg(limit.station.errorString(), limit.bus.errorString(),
                     limit.station.logTail()));
        return 2;
    }
    const std::array<Target *, 3> targets{&program, &minimal, &limit};

    say(QStringLiteral("sorvik-bench-poke: %1 pokes each after %2 warm-up, in turns of %3, %4 ms "
                       "after each drive; PROSISTEL D at %5 baud, each service on its own pty and "
                       "private bus")
            .arg(count)
            .arg(warmup)
            .arg(block)
            .arg(gapMs)
            .arg(kBaud));
    say(QStringLiteral("client: one write() of a ready call on a bare bus socket, then poll() on "
                       "the pty master; the same for both"));
    say(QStringLiteral("pids: program %1, minimal %2, limit %3; load average at start: %4 (2 "
                       "cores)")
            .arg(program.station.pid())
            .arg(minimal.station.pid())
            .arg(limit.station.pid())
            .arg(loadAverage()));

    for (int i = 0; i < warmup; ++i)
        for (Target *t : targets)
            poke(*t, i, gapMs, false);
    for (Target *t : targets) {
        t->cpuSeconds = -ProcStat::runSeconds(t->station.pid());
        t->mainWakeups = -ProcStat::mainThreadWakeups(t->station.pid());
        t->allWakeups = -ProcStat::allThreadsWakeups(t->station.pid());
    }
    for (int done = 0; done < count; done += block) {
        const int n = qMin(block, count - done);
        for (Target *t : targets)
            for (int i = 0; i < n; ++i)
                poke(*t, done + i, gapMs, true);
    }
    for (Target *t : targets) {
        t->cpuSeconds += ProcStat::runSeconds(t->station.pid());
        t->mainWakeups += ProcStat::mainThreadWakeups(t->station.pid());
        t->allWakeups += ProcStat::allThreadsWakeups(t->station.pid());
    }

    say(QStringLiteral("first byte after the call  median      p90      p99      max"));
    for (const Target *t : targets)
        say(row(t->name, t->firstByte));
    const double medianRatio = program.firstByte.median() / minimal.firstByte.median();
    const double p99Ratio = program.firstByte.percentile(99) / minimal.firstByte.percentile(99);
    say(QStringLiteral("  %1 %2x %3x %4x")
            .arg(QStringLiteral("ratio program/minimal"), -22)
            .arg(medianRatio, 7, 'f', 2)
            .arg(program.firstByte.percentile(90) / minimal.firstByte.percentile(90), 7, 'f', 2)
            .arg(p99Ratio, 7, 'f', 2));
    say(QStringLiteral("  %1 %2x %3x %4x")
            .arg(QStringLiteral("ratio minimal/limit"), -22)
            .arg(minimal.firstByte.median() / limit.firstByte.median(), 7, 'f', 2)
            .arg(minimal.firstByte.percentile(90) / limit.firstByte.percentile(90), 7, 'f', 2)
            .arg(minimal.firstByte.percentile(99) / limit.firstByte.percentile(99), 7, 'f', 2));
    say(QStringLiteral("goal median <= %1 x the minimal's: %2x   %3")
            .arg(kMedianGoal)
            .arg(medianRatio, 0, 'f', 2)
            .arg(verdict(medianRatio <= kMedianGoal)));
    say(QStringLiteral("goal p99    <= %1 x the minimal's: %2x   %3")
            .arg(kP99Goal)
            .arg(p99Ratio, 0, 'f', 2)
            .arg(verdict(p99Ratio <= kP99Goal)));
    say(QStringLiteral("all 14 bytes after the call (no goal)"));
    for (const Target *t : targets)
        say(row(t->name, t->allBytes));
    for (const Target *t : targets) {
        say(QStringLiteral("  %1 CPU %2 us a poke; %3 pokes, %4 without a first byte, %5 with "
                           "other bytes than the drive, %6 with bytes after it, %7 unanswered")
                .arg(t->name, -22)
                .arg(t->cpuSeconds * 1e6 / qMax(1, t->pokes), 0, 'f', 0)
                .arg(t->pokes)
                .arg(t->noFirstByte)
                .arg(t->wrongBytes)
                .arg(t->extraBytes)
                .arg(t->noReply));
        say(QStringLiteral("  %1 wake-ups a poke: main thread %2, all threads %3")
                .arg(t->name, -22)
                .arg(double(t->mainWakeups) / qMax(1, t->pokes), 0, 'f', 1)
                .arg(double(t->allWakeups) / qMax(1, t->pokes), 0, 'f', 1));
    }
    const auto perPoke = [](const Target &t) { return t.cpuSeconds * 1e6 / qMax(1, t.pokes); };
    const double cpuRatio = perPoke(program) / perPoke(minimal);
    say(QStringLiteral("goal CPU a poke <= %1 x the minimal's: %2x   %3 (the limit's: %4x the "
                       "minimal's)")
            .arg(kCpuGoal)
            .arg(cpuRatio, 0, 'f', 2)
            .arg(verdict(cpuRatio <= kCpuGoal))
            .arg(perPoke(limit) / perPoke(minimal), 0, 'f', 2));
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    return 0;
}
