// A HAMLIB profile measured: from a Poke("Text1", azimuth) to the first byte of the drive on a
// GS-232B line (HAMLIB 603), beside Hamlib's own rotctld -m 603 taking "P az 0" on a line of its
// own; the link's round trip while the box is silent and libhamlib's reads time out; then the
// program's CPU while it idles with that profile. The benchmark plays both
// controllers, answering as a GS-232B box, and alternates the two so both see the same load.
#include "benchmarks/support/BenchPty.h"
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/RawBus.h"
#include "benchmarks/support/Samples.h"
#include "benchmarks/support/Station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr int kWaitMs = 5000;
constexpr double kIdleGoalPercent = 0.1;
constexpr double kSilentGoalMs = 50;
constexpr int kSilentSeconds = 6;
const QString kService = QStringLiteral("org.sorvik.sorvikdde");

// The controller's end of a line, answering as a GS-232B box: C2 with the azimuth it was last
// sent, nothing to W, S or a lone CR.
class Gs232b
{
public:
    explicit Gs232b(BenchPty &pty) : m_pty(pty) {}

    // Reads what is there and answers each whole command; true once a W has come.
    bool serve()
    {
        m_pending += m_pty.drain();
        bool turned = false;
        for (qsizetype end; (end = m_pending.indexOf('\r')) >= 0;) {
            const QByteArray command = m_pending.left(end).trimmed().toUpper();
            m_pending.remove(0, end + 1);
            if (command == "C2") {
                const QByteArray reply =
                    "AZ=" + QByteArray::number(m_azimuth).rightJustified(3, '0') + "  EL=000\r\n";
                [[maybe_unused]] const ssize_t n =
                    ::write(m_pty.masterFd(), reply.constData(), size_t(reply.size()));
            } else if (command.startsWith('W')) {
                m_azimuth = command.mid(1, 3).toInt();
                turned = true;
            }
        }
        return turned;
    }
    // Serves for this long.
    void serveFor(int ms)
    {
        QElapsedTimer waited;
        waited.start();
        while (!waited.hasExpired(ms)) {
            pollfd line{m_pty.masterFd(), POLLIN, 0};
            ::poll(&line, 1, int(qMax<qint64>(1, ms - waited.elapsed())));
            serve();
        }
    }

private:
    BenchPty &m_pty;
    QByteArray m_pending;
    int m_azimuth = 0;
};

// One side under measurement: its line, its controller and its timings.
struct Side
{
    explicit Side(const QString &name) : name(name) {}
    QString name;
    BenchPty pty;
    Gs232b box{pty};
    Samples firstByte;
    int failures = 0;
};

// Sends the command, then times until the W of the drive is on the line; the box answers the
// program's position reads meanwhile.
void timeOne(Side &side, const std::function<bool()> &send)
{
    side.box.serve();
    const Clock::time_point sent = Clock::now();
    if (!send()) {
        ++side.failures;
        return;
    }
    while (Clock::now() - sent < std::chrono::milliseconds(kWaitMs)) {
        pollfd line{side.pty.masterFd(), POLLIN, 0};
        if (::poll(&line, 1, kWaitMs) != 1)
            break;
        const Clock::time_point arrived = Clock::now();
        if (side.box.serve()) {
            side.firstByte.add(microseconds(arrived - sent));
            side.box.serveFor(150); // the B model's lone CR after W, and any reads
            return;
        }
    }
    ++side.failures;
}

int tcpClient(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

QString row(const Side &side)
{
    return QStringLiteral("  %1 %2 %3 %4 us, %5 failed")
        .arg(side.name, -22)
        .arg(side.firstByte.median(), 8, 'f', 0)
        .arg(side.firstByte.percentile(90), 8, 'f', 0)
        .arg(side.firstByte.percentile(99), 8, 'f', 0)
        .arg(side.failures);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A HAMLIB 603 profile: poke to first byte beside rotctld -m 603, and idle CPU."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("count"), QStringLiteral("Commands timed per side (100)."),
                      QStringLiteral("N"), QStringLiteral("100")});
    parser.addOption({QStringLiteral("idle-seconds"),
                      QStringLiteral("How long the program's idle CPU is measured (60)."),
                      QStringLiteral("s"), QStringLiteral("60")});
    parser.addOption({QStringLiteral("program"), QStringLiteral("The program to measure."),
                      QStringLiteral("path"), QStringLiteral(SORVIKDDE_PATH)});
    parser.process(app);
    const int count = qMax(1, parser.value(QStringLiteral("count")).toInt());
    const int idleSeconds = qMax(1, parser.value(QStringLiteral("idle-seconds")).toInt());

    Side program{QStringLiteral("program, HAMLIB 603")};
    Side hamlib{QStringLiteral("rotctld -m 603")};
    Station programStation;
    Station rotctldStation;
    RawBus bus;
    if (!program.pty.isValid() || !hamlib.pty.isValid() || !programStation.startBus() ||
        !programStation.startProgram(parser.value(QStringLiteral("program")),
                                     program.pty.slavePath(), kBaud, {}, "HAMLIB 603") ||
        !bus.connectTo(programStation.busAddress())) {
        say(QStringLiteral("the program did not come up: %1 %2\n%3")
                .arg(programStation.errorString(), bus.errorString(), programStation.logTail()));
        return 2;
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    if (!rotctldStation.startService(QStringLiteral("rotctld"),
                                     {"-m", "603", "-r", hamlib.pty.slavePath(), "-s",
                                      QString::number(kBaud), "-T", "127.0.0.1", "-t",
                                      QString::number(port)})) {
        say(QStringLiteral("rotctld did not start: %1").arg(rotctldStation.errorString()));
        return 2;
    }
    int client = -1;
    QElapsedTimer waited;
    waited.start();
    while ((client < 0 || !bus.nameHasOwner(kService)) && !waited.hasExpired(20000)) {
        program.box.serveFor(50);
        if (client < 0)
            client = tcpClient(port);
    }
    if (client < 0 || !bus.nameHasOwner(kService)) {
        say(QStringLiteral("a side did not come up\n%1").arg(programStation.logTail()));
        return 2;
    }
    program.box.serveFor(1500); // start-up's status read and info done

    say(QStringLiteral("sorvik-bench-hamlib: %1 commands a side, GS-232B at %2 baud on a pty each; "
                       "pids: program %3, rotctld %4")
            .arg(count)
            .arg(kBaud)
            .arg(programStation.pid())
            .arg(rotctldStation.pid()));
    for (int i = 0; i < count; ++i) {
        const QString azimuth = QString::number(10 + (i * 37) % 340);
        timeOne(program, [&] {
            return bus.send(kService, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"),
                            QStringLiteral("Poke"), {QStringLiteral("Text1"), azimuth}) != 0;
        });
        timeOne(hamlib, [&] {
            const QByteArray command = "P " + azimuth.toLatin1() + " 0\n";
            char ignored[256];
            while (::recv(client, ignored, sizeof ignored, MSG_DONTWAIT) > 0) {
            }
            return ::send(client, command.constData(), size_t(command.size()), 0) == command.size();
        });
    }
    say(QStringLiteral("command to the first byte of the drive  median      p90      p99"));
    say(row(program));
    say(row(hamlib));
    const double ratio = program.firstByte.median() / hamlib.firstByte.median();
    say(QStringLiteral("  ratio program/rotctld at the median: %1x (no goal: libhamlib writes "
                       "for both)")
            .arg(ratio, 0, 'f', 2));

    // A box that stops answering: every position read times out and retries in libhamlib for
    // about two seconds; the link must answer meanwhile as it always does.
    Samples roundTrips;
    QElapsedTimer silent;
    silent.start();
    while (!silent.hasExpired(kSilentSeconds * 1000)) {
        program.pty.drain();
        const Clock::time_point asked = Clock::now();
        const quint32 serial =
            bus.send(kService, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"),
                     QStringLiteral("Request"), {QStringLiteral("Label3")});
        if (serial != 0 && bus.waitReply(serial, kWaitMs))
            roundTrips.add(microseconds(Clock::now() - asked) / 1000);
        QThread::msleep(20);
    }
    say(QStringLiteral("Request round trip while libhamlib's reads time out, %1 s: median %2 ms, "
                       "max %3 ms, goal max <= %4 ms   %5")
            .arg(kSilentSeconds)
            .arg(roundTrips.median(), 0, 'f', 2)
            .arg(roundTrips.max(), 0, 'f', 2)
            .arg(kSilentGoalMs)
            .arg(verdict(!roundTrips.isEmpty() && roundTrips.max() <= kSilentGoalMs)));

    // Idle: the profile in force, the rotor still, its position read once a second.
    program.box.serveFor(3000);
    const double before = ProcStat::cpuSeconds(programStation.pid());
    program.box.serveFor(idleSeconds * 1000);
    const double percent =
        (ProcStat::cpuSeconds(programStation.pid()) - before) * 100.0 / idleSeconds;
    say(QStringLiteral("idle CPU with a HAMLIB 603 profile over %1 s: %2 % of a core, goal <= %3 "
                       "%   %4")
            .arg(idleSeconds)
            .arg(percent, 0, 'f', 3)
            .arg(kIdleGoalPercent)
            .arg(verdict(percent <= kIdleGoalPercent)));
    ::close(client);
    return 0;
}
