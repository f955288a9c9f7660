// Floods the real program with position lines from a Prosistel D controller on a pty and prints
// its CPU use at the line's own pace, then its link's round trips, traffic box length and
// resident memory when the lines come as fast as the pty takes them.
#include "benchmarks/flood/Feeder.h"
#include "benchmarks/support/BenchPty.h"
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/Samples.h"
#include "benchmarks/support/Station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <memory>
#include <optional>

namespace {
constexpr int kBaud = 38400;
constexpr double kLinesPerSecond = kBaud / 10.0 / Feeder::kLineBytes; // 8N1: 10 bits a byte
constexpr double kCpuGoalPercent = 5;
constexpr double kRoundTripGoalMs = 50;
constexpr qsizetype kTBoxLimit = 10000; // plus the last chunk, itself at most this long
constexpr qint64 kRssToleranceKb = 1024;
constexpr int kRssSettleMs = 5000;
constexpr int kTickMs = 100;
constexpr int kTBoxEveryTicks = 5;
constexpr int kRssEveryTicks = 10;
constexpr int kCallTimeoutMs = 5000;
constexpr int kIdleMs = 3000;

const QString kService = QStringLiteral("org.sorvik.sorvikdde");

class Link
{
public:
    explicit Link(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("bench")))
    {}
    ~Link() { QDBusConnection::disconnectFromBus(QStringLiteral("bench")); }

    bool isConnected() const { return m_bus.isConnected(); }

    // The item's text, or nothing when the call failed.
    std::optional<QString> request(const QString &item)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/nomeForm"),
                                                           QStringLiteral("org.sorvik.DDE"),
                                                           QStringLiteral("Request"));
        call.setArguments({item});
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return std::nullopt;
        return reply.arguments().value(0).toString();
    }

private:
    QDBusConnection m_bus;
};

// CPU use of a process over a span, in % of one core.
class CpuMeter
{
public:
    explicit CpuMeter(qint64 pid) : m_pid(pid), m_cpu(ProcStat::cpuSeconds(pid)) { m_wall.start(); }
    double percent() const
    {
        const double wall = double(m_wall.nsecsElapsed()) / 1e9;
        return (ProcStat::cpuSeconds(m_pid) - m_cpu) / wall * 100;
    }

private:
    qint64 m_pid;
    double m_cpu;
    QElapsedTimer m_wall;
};

bool waitUntilReady(BenchPty &pty, Link &link)
{
    // The first activation opens the port and asks the controller for its state.
    if (pty.read(4, std::chrono::seconds(20)) != QByteArray("\002A?\r"))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (link.request(QStringLiteral("TxtCom")) == QStringLiteral("COM ON"))
            return true;
        QThread::msleep(50);
    }
    return false;
}

void pacedPhase(Feeder &feeder, qint64 pid, qint64 busPid, int seconds)
{
    CpuMeter program(pid);
    CpuMeter bus(busPid);
    const qint64 wakeups = ProcStat::mainThreadWakeups(pid);
    feeder.startPaced(kLinesPerSecond);
    QThread::sleep(seconds);
    const double cpu = program.percent();
    const double busCpu = bus.percent();
    const qint64 woke = ProcStat::mainThreadWakeups(pid) - wakeups;
    feeder.stop();
    say(QStringLiteral("(a) paced, %1 lines/s for %2 s (%3 lines sent)")
            .arg(kLinesPerSecond, 0, 'f', 0)
            .arg(seconds)
            .arg(feeder.linesSent()));
    say(QStringLiteral("    program CPU          %1 % of a core     goal <= %2 %   %3")
            .arg(cpu, 5, 'f', 1)
            .arg(kCpuGoalPercent)
            .arg(verdict(cpu <= kCpuGoalPercent)));
    say(QStringLiteral("    bus daemon CPU       %1 % of a core     (no goal)")
            .arg(busCpu, 5, 'f', 1));
    // Near 1 a line: each line had an event-loop pass (and a repaint) of its own; on a busy
    // machine lines pile up while the program waits for a core and are read together, and the
    // CPU figure drops.
    say(QStringLiteral("    program main thread woke %1 times, %2 a line (no goal)")
            .arg(woke)
            .arg(double(woke) / double(qMax(1LL, feeder.linesSent())), 0, 'f', 2));
}

void floodPhase(Feeder &feeder, Link &link, qint64 pid, qint64 busPid, int seconds)
{
    Samples roundTrips;
    int failedCalls = 0;
    int oddLabels = 0;
    qsizetype tboxMax = 0;
    int tboxSamples = 0;
    qint64 rssAt5 = -1;
    qint64 rssLow = 0;
    qint64 rssHigh = 0;

    CpuMeter program(pid);
    CpuMeter bus(busPid);
    const long long linesBefore = feeder.linesSent();
    feeder.startFlood();
    QElapsedTimer clock;
    clock.start();
    const auto noteRss = [&] {
        const qint64 rss = ProcStat::rssKb(pid);
        if (rssAt5 < 0 && clock.elapsed() >= kRssSettleMs)
            rssAt5 = rssLow = rssHigh = rss;
        else if (rssAt5 >= 0) {
            rssLow = qMin(rssLow, rss);
            rssHigh = qMax(rssHigh, rss);
        }
        return rss;
    };
    for (int tick = 1; clock.elapsed() < qint64(seconds) * 1000; ++tick) {
        QElapsedTimer call;
        call.start();
        const std::optional<QString> label = link.request(QStringLiteral("Label3"));
        const double ms = double(call.nsecsElapsed()) / 1e6;
        roundTrips.add(ms);
        if (!label)
            ++failedCalls;
        else if (label->size() != 3)
            ++oddLabels;
        if (tick % kTBoxEveryTicks == 0) {
            if (const std::optional<QString> box = link.request(QStringLiteral("TBox"))) {
                tboxMax = qMax(tboxMax, box->size());
                ++tboxSamples;
            }
        }
        if (tick % kRssEveryTicks == 0)
            noteRss();
        // Calls every 100 ms from the start, however long each took.
        const qint64 next = qint64(tick) * kTickMs - clock.elapsed();
        if (next > 0)
            QThread::msleep(qulonglong(next));
    }
    const double cpu = program.percent();
    const double busCpu = bus.percent();
    const double wall = double(clock.elapsed()) / 1000;
    const qint64 rssEnd = noteRss();
    feeder.stop();
    const long long lines = feeder.linesSent() - linesBefore;

    say(QStringLiteral("(b) flood for %1 s: %2 lines taken by the pty (%3 lines/s, %4x the "
                       "38400-baud pace)")
            .arg(seconds)
            .arg(lines)
            .arg(double(lines) / wall, 0, 'f', 0)
            .arg(double(lines) / wall / kLinesPerSecond, 0, 'f', 1));
    say(QStringLiteral("    program CPU          %1 % of a core     (no goal); bus daemon %2 %")
            .arg(cpu, 5, 'f', 1)
            .arg(busCpu, 0, 'f', 1));
    say(QStringLiteral("    Request(\"Label3\")    median %1 ms, p99 %2 ms, max %3 ms (%4 calls, "
                       "%5 failed, %6 not 3 digits)   goal p99 <= %7 ms   %8")
            .arg(roundTrips.median(), 0, 'f', 2)
            .arg(roundTrips.percentile(99), 0, 'f', 2)
            .arg(roundTrips.max(), 0, 'f', 2)
            .arg(roundTrips.size())
            .arg(failedCalls)
            .arg(oddLabels)
            .arg(kRoundTripGoalMs)
            .arg(verdict(failedCalls == 0 && roundTrips.percentile(99) <= kRoundTripGoalMs)));
    say(QStringLiteral("    Request(\"TBox\")      max length %1 characters (%2 samples)   goal "
                       "<= %3 + last chunk (<= %4)   %5")
            .arg(tboxMax)
            .arg(tboxSamples)
            .arg(kTBoxLimit)
            .arg(2 * kTBoxLimit)
            .arg(verdict(tboxSamples > 0 && tboxMax <= 2 * kTBoxLimit)));
    const bool flat =
        rssAt5 >= 0 && rssHigh - rssAt5 <= kRssToleranceKb && rssAt5 - rssLow <= kRssToleranceKb;
    say(QStringLiteral("    VmRSS                at 5 s %1 kB, at the end %2 kB (after 5 s: %3 "
                       "to %4 kB)   goal within %5 kB of the 5 s value   %6")
            .arg(rssAt5)
            .arg(rssEnd)
            .arg(rssLow)
            .arg(rssHigh)
            .arg(kRssToleranceKb)
            .arg(verdict(flat)));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Position lines into the real program: CPU, link round trips, memory."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Length of each phase (30)."),
                      QStringLiteral("N"), QStringLiteral("30")});
    parser.addOption({QStringLiteral("phase"), QStringLiteral("paced, flood or both (both)."),
                      QStringLiteral("which"), QStringLiteral("both")});
    parser.addOption({QStringLiteral("program"), QStringLiteral("The executable to measure."),
                      QStringLiteral("path"), QStringLiteral(SORVIKDDE_PATH)});
    parser.process(app);
    const int seconds = qMax(1, parser.value(QStringLiteral("seconds")).toInt());
    const QString phase = parser.value(QStringLiteral("phase"));
    const QString programPath = parser.value(QStringLiteral("program"));

    BenchPty pty;
    Station station;
    if (!pty.isValid() || !station.startBus()) {
        say(QStringLiteral("cannot set up: no pty or %1").arg(station.errorString()));
        return 2;
    }
    if (!station.startProgram(programPath, pty.slavePath(), kBaud)) {
        say(station.errorString());
        return 2;
    }
    Link link(station.busAddress());
    if (!link.isConnected() || !waitUntilReady(pty, link)) {
        say(QStringLiteral("the program did not come up on its pty and link:\n") +
            station.logTail());
        return 2;
    }

    say(QStringLiteral("sorvik-bench-flood: %1 (pid %2), PROSISTEL D at %3 baud, %4 s a phase")
            .arg(programPath)
            .arg(station.pid())
            .arg(kBaud)
            .arg(seconds));
    say(QStringLiteral("load average at start: %1 (2 cores; other work on the machine shows "
                       "here)")
            .arg(loadAverage()));
    {
        CpuMeter idle(station.pid());
        QThread::msleep(kIdleMs);
        say(QStringLiteral("idle for %1 s: program CPU %2 % of a core (no goal)")
                .arg(kIdleMs / 1000)
                .arg(idle.percent(), 0, 'f', 1));
    }

    Feeder feeder(pty.masterFd());
    if (phase == u"paced" || phase == u"both")
        pacedPhase(feeder, station.pid(), station.busPid(), seconds);
    if (phase == u"both")
        QThread::sleep(1);
    if (phase == u"flood" || phase == u"both")
        floodPhase(feeder, link, station.pid(), station.busPid(), seconds);
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    if (!station.isRunning()) {
        say(QStringLiteral("the program ended during the run:\n") + station.logTail());
        return 1;
    }
    return 0;
}
