// From a client's "P az 0" to the first byte on the serial line, through the program's own
// rotctld door, through the bridge and the program, and through Hamlib's rotctld on its own
// Prosistel D backend, at a tracking pace and back to back; then the CPU each chain spends under
// gpredict-style tracking. The benchmark plays the controller on a pseudo-terminal of its own for
// the program and for rotctld, answering as a Prosistel D box, and drives every server with the
// same TCP client, alternating rounds so all see the same machine load.
#include "benchmarks/support/ProcStat.h"
#include "benchmarks/support/Samples.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kWaitMs = 5000;
constexpr int kWarmUp = 10;
// Hamlib's ROT_MODEL_PROSISTEL_D_AZ (rotctl -l).
constexpr auto kHamlibProsistelD = "1701";
// gpredict's pace while tracking: a set, then a position query, every 0.8 s.
constexpr auto kGpredictCycle = 800ms;
constexpr double kLatencyGoal = 0.5;

// What went wrong, on stderr; the figures go to stdout.
void complain(const QString &text)
{
    std::fprintf(stderr, "sorvik-bench-rotctld: %s\n", qPrintable(text));
}

// A TCP port free at this moment.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The controller's end of a pseudo-terminal, answering complete frames as a Prosistel D box that
// stands at 0. Its own slave descriptor stays open, so the master never reads EIO before the peer
// opens it.
class Line
{
public:
    Line()
    {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        slavePath = QString::fromLocal8Bit(name);
    }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
    ~Line()
    {
        ::close(m_master);
        ::close(m_slave);
    }

    int fd() const { return m_master; }

    // Reads what is there and answers each whole frame; true once "AG<target>" has come.
    bool serve(int target)
    {
        char buffer[512];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            m_pending.append(buffer, n);
        bool arrived = false;
        for (qsizetype end; (end = m_pending.indexOf('\r')) >= 0;) {
            QByteArray frame = m_pending.left(end);
            m_pending.remove(0, end + 1);
            if (frame.startsWith('\x02'))
                frame.remove(0, 1);
            if (frame == "A?")
                answer("A,?,000,R");
            else if (frame == "AS")
                answer("A,S,R");
            else if (frame.startsWith("AG")) {
                answer("A,G,R");
                arrived = arrived || frame.mid(2).toInt() == target;
            }
        }
        return arrived;
    }

    QString slavePath;

private:
    void answer(const QByteArray &body)
    {
        const QByteArray frame = '\x02' + body + '\r';
        [[maybe_unused]] const ssize_t n = ::write(m_master, frame.constData(), frame.size());
    }

    int m_master = -1;
    int m_slave = -1;
    QByteArray m_pending;
};

// A rotctld client on a plain socket.
class Client
{
public:
    // One attempt; the caller retries while the server starts.
    bool connect(quint16 port)
    {
        if (m_fd >= 0)
            return true;
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
        const int on = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return true;
    }
    ~Client()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int fd() const { return m_fd; }
    bool send(const QByteArray &command) const
    {
        return ::send(m_fd, command.constData(), size_t(command.size()), 0) == command.size();
    }
    // Reads what is there; a whole line, once one has come.
    std::optional<QByteArray> line()
    {
        char buffer[512];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            m_pending.append(buffer, n);
        const qsizetype end = m_pending.indexOf('\n');
        if (end < 0)
            return std::nullopt;
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        return line;
    }

private:
    int m_fd = -1;
    QByteArray m_pending;
};

// One way to the rotator: its client, the line its commands reach, the processes it takes.
struct Chain
{
    QString name;
    Line &line;
    std::vector<QProcess *> processes;
    Client client{};
    Samples paced{};
    Samples backToBack{};
    int failures = 0;
    double cpuShare = -1;

    QString processNames() const
    {
        QStringList names;
        for (const QProcess *process : processes)
            names << QFileInfo(process->program()).fileName();
        return names.join(QStringLiteral(", "));
    }
    double cpuSeconds() const
    {
        double sum = 0;
        for (const QProcess *process : processes)
            sum += ProcStat::runSeconds(process->processId());
        return sum;
    }
};

// Waits for `count` reply lines while the line is served; the last one, or none.
std::optional<QByteArray> reply(Chain &chain, int count, int target = -1, bool *arrived = nullptr)
{
    std::optional<QByteArray> last;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (count > 0 && Clock::now() < deadline) {
        pollfd both[] = {{chain.line.fd(), POLLIN, 0}, {chain.client.fd(), POLLIN, 0}};
        ::poll(both, 2, 100);
        const bool came = chain.line.serve(target);
        if (arrived)
            *arrived = *arrived || came;
        while (count > 0 && (last = chain.client.line()))
            --count;
    }
    return count == 0 ? last : std::nullopt;
}

// One "P az 0": the time to the first byte on the line, then the rest of the exchange, untimed.
std::optional<double> timeOne(Chain &chain, int azimuth)
{
    chain.line.serve(-1);
    while (chain.client.line()) {
    }
    pollfd wire = {chain.line.fd(), POLLIN, 0};
    const auto sent = Clock::now();
    if (!chain.client.send("P " + QByteArray::number(azimuth) + " 0\n"))
        return std::nullopt;
    if (::poll(&wire, 1, kWaitMs) != 1)
        return std::nullopt;
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - sent;

    bool arrived = false;
    const std::optional<QByteArray> status = reply(chain, 1, azimuth, &arrived);
    for (auto until = Clock::now() + std::chrono::milliseconds(kWaitMs);
         !arrived && Clock::now() < until;) {
        pollfd line = {chain.line.fd(), POLLIN, 0};
        ::poll(&line, 1, 100);
        arrived = chain.line.serve(azimuth);
    }
    if (!arrived || status != QByteArray("RPRT 0"))
        return std::nullopt;
    return elapsed.count();
}

// gpredict tracking one target for `duration`: the same P every 0.8 s and a p after each. The
// share of a core the chain's processes spent meanwhile.
double track(Chain &chain, std::chrono::seconds duration, int target)
{
    const double cpuBefore = chain.cpuSeconds();
    const auto start = Clock::now();
    for (auto cycle = start; cycle < start + duration; cycle += kGpredictCycle) {
        const bool answered = chain.client.send("P " + QByteArray::number(target) + ".00 0.00\n") &&
                              reply(chain, 1, target) && chain.client.send("p\n") &&
                              reply(chain, 2, target);
        if (!answered)
            ++chain.failures;
        while (Clock::now() < cycle + kGpredictCycle) {
            pollfd line = {chain.line.fd(), POLLIN, 0};
            ::poll(&line, 1, 50);
            chain.line.serve(target);
        }
    }
    const std::chrono::duration<double> wall = Clock::now() - start;
    return (chain.cpuSeconds() - cpuBefore) / wall.count() * 100;
}

bool started(QProcess &process, const QString &program, const QStringList &arguments,
             const QString &logDir)
{
    const QString log = QDir(logDir).filePath(QFileInfo(program).fileName() + ".log");
    process.setStandardOutputFile(log);
    process.setStandardErrorFile(log);
    process.start(program, arguments);
    if (process.waitForStarted())
        return true;
    complain(QStringLiteral("cannot start %1: %2").arg(program, process.errorString()));
    return false;
}

void end(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(kWaitMs))
        process.kill();
}

// "median p90 p99" of one set of samples, microseconds.
QString figures(const Samples &samples)
{
    return QStringLiteral("%1 %2 %3")
        .arg(samples.median(), 7, 'f', 0)
        .arg(samples.percentile(90), 7, 'f', 0)
        .arg(samples.percentile(99), 7, 'f', 0);
}

bool waitUntilUp(Chain &chain, std::chrono::seconds patience)
{
    // The program is up once its door, or the bridge through the bus, tells the model.
    for (auto until = Clock::now() + patience; Clock::now() < until;) {
        chain.line.serve(-1);
        if (chain.client.send("_\n")) {
            const std::optional<QByteArray> info = reply(chain, 1);
            if (info && !info->startsWith("RPRT"))
                return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Times P az 0 to the first byte on a Prosistel D line through SorvikDDE's own rotctld "
        "door, through sorvikdde-rotctld with SorvikDDE, and through Hamlib's rotctld, and "
        "measures their CPU under gpredict-style tracking. Needs dbus-daemon and rotctld "
        "(libhamlib-utils)."));
    options.addHelpOption();
    const QCommandLineOption pacedOption(QStringLiteral("paced"),
                                         QStringLiteral("Rounds at one set a second (default 60)."),
                                         QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds back to back (default 300)."),
                                          QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption trackOption(
        QStringLiteral("track-seconds"),
        QStringLiteral("Seconds of tracking per chain for the CPU (default 30)."),
        QStringLiteral("S"), QStringLiteral("30"));
    options.addOption(pacedOption);
    options.addOption(roundsOption);
    options.addOption(trackOption);
    options.process(app);
    const int paced = options.value(pacedOption).toInt();
    const int rounds = options.value(roundsOption).toInt();
    const int trackSeconds = options.value(trackOption).toInt();
    if (paced < 1 || rounds < 1 || trackSeconds < 1) {
        complain(QStringLiteral("--paced, --rounds and --track-seconds want numbers above 0"));
        return 2;
    }

    QTemporaryDir dir;
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkdir(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkdir(config);

    // A bus of our own: a SorvikDDE on the user's bus is left alone.
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    QByteArray address;
    while (!address.contains('\n') && bus.waitForReadyRead(kWaitMs))
        address += bus.readAllStandardOutput();
    if (!address.contains('\n')) {
        complain(QStringLiteral("cannot start a private dbus-daemon"));
        return 1;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QString::fromLocal8Bit(address.trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

    Line programLine;
    Line hamlibLine;
    if (programLine.slavePath.isEmpty() || hamlibLine.slavePath.isEmpty()) {
        complain(QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }

    // The program on port 1, a Prosistel D at 9600 baud.
    QFile ini(config + "/SorvikDDE.ini");
    if (!ini.open(QIODevice::WriteOnly)) {
        complain(QStringLiteral("cannot write %1: %2").arg(ini.fileName(), ini.errorString()));
        return 1;
    }
    for (int profile = 0; profile < 3; ++profile)
        ini.write("1\r\n9600\r\nN,8,1\r\n0 - NONE\r\nPROSISTEL D\r\n1\r\n0\r\n");
    ini.close();
    QFile::link(programLine.slavePath, config + "/com1");
    const QString exe = dir.filePath(QStringLiteral("sorvikdde"));
    QFile::copy(QStringLiteral(SORVIKDDE_PATH), exe);

    const quint16 doorPort = freePort();
    const quint16 bridgePort = freePort();
    const quint16 hamlibPort = freePort();
    QProcess program;
    QProcess bridge;
    QProcess rotctld;
    for (QProcess *process : {&program, &bridge, &rotctld})
        process->setProcessEnvironment(environment);
    const QStringList noUdp = {QStringLiteral("--pst-udp"), QStringLiteral("off"),
                               QStringLiteral("--n1mm-udp"), QStringLiteral("off")};
    const bool running =
        started(
            program, exe,
            QStringList{QStringLiteral("--rotctld"), QStringLiteral("127.0.0.1:%1").arg(doorPort)} +
                noUdp,
            dir.path()) &&
        started(bridge, QStringLiteral(ROTCTLD_PATH),
                QStringList{QStringLiteral("--port"), QString::number(bridgePort)} + noUdp,
                dir.path()) &&
        started(rotctld, QStringLiteral("rotctld"),
                {QStringLiteral("-m"), QLatin1String(kHamlibProsistelD), QStringLiteral("-r"),
                 hamlibLine.slavePath, QStringLiteral("-s"), QStringLiteral("9600"),
                 QStringLiteral("-T"), QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                 QString::number(hamlibPort)},
                dir.path());

    Chain door{QStringLiteral("program's door"), programLine, {&program, &bus}};
    Chain viaBridge{QStringLiteral("bridge + program"), programLine, {&bridge, &program, &bus}};
    Chain hamlib{QStringLiteral("Hamlib rotctld"), hamlibLine, {&rotctld}};
    Chain *const chains[] = {&door, &viaBridge, &hamlib};

    // rotctld opens its line before it listens, and waits for the box's answer to "AS".
    bool connected = false;
    for (auto until = Clock::now() + 20s; running && !connected && Clock::now() < until;) {
        programLine.serve(-1);
        hamlibLine.serve(-1);
        connected = door.client.connect(doorPort) & viaBridge.client.connect(bridgePort) &
                    hamlib.client.connect(hamlibPort);
        std::this_thread::sleep_for(10ms);
    }
    const bool up = connected && waitUntilUp(door, 20s) && waitUntilUp(viaBridge, 20s);
    if (!up) {
        complain(QStringLiteral("a server did not come up; logs in %1").arg(dir.path()));
        dir.setAutoRemove(false);
        for (QProcess *process : {&rotctld, &bridge, &program, &bus})
            end(*process);
        return 1;
    }
    complain(QStringLiteral("load average at start: %1 (2 cores)").arg(loadAverage()));

    // Each round sends every chain a new azimuth, so none is a repeat of the one before.
    const auto measure = [&](int count, bool tracking, Samples Chain::*samples) {
        for (int i = 0; i < kWarmUp + count; ++i) {
            const auto roundStart = Clock::now();
            const int azimuth = 10 + (i * 37) % 340;
            for (Chain *chain : chains) {
                const std::optional<double> micros = timeOne(*chain, azimuth);
                if (!micros)
                    ++chain->failures;
                else if (i >= kWarmUp)
                    (chain->*samples).add(*micros);
            }
            if (tracking)
                std::this_thread::sleep_until(roundStart + 1s);
        }
    };
    measure(paced, true, &Chain::paced);
    measure(rounds, false, &Chain::backToBack);
    // Each chain tracks alone, so the others' work is not counted; the program's door and the
    // bridge share the program, whose CPU counts for both.
    int target = 123;
    for (Chain *chain : chains)
        chain->cpuShare = track(*chain, std::chrono::seconds(trackSeconds), target += 11);
    complain(QStringLiteral("load average at the end: %1").arg(loadAverage()));

    for (QProcess *process : {&rotctld, &bridge, &program, &bus})
        end(*process);

    std::printf("P az 0 -> first byte on a Prosistel D line, microseconds (median p90 p99), after "
                "%d warm-up rounds\n",
                kWarmUp);
    std::printf("%-20s %-32s %-32s %s\n", "",
                qPrintable(QStringLiteral("one set a second (%1)").arg(paced)),
                qPrintable(QStringLiteral("back to back (%1)").arg(rounds)), "failed");
    for (const Chain *chain : chains)
        std::printf("%-20s %-32s %-32s %d\n", qPrintable(chain->name),
                    qPrintable(figures(chain->paced)), qPrintable(figures(chain->backToBack)),
                    chain->failures);
    if (door.paced.isEmpty() || hamlib.paced.isEmpty() || door.backToBack.isEmpty() ||
        hamlib.backToBack.isEmpty())
        return 1;
    const double pacedRatio = door.paced.median() / hamlib.paced.median();
    const double backRatio = door.backToBack.median() / hamlib.backToBack.median();
    std::printf("program's door / rotctld at the median: %.2f one set a second, %.2f back to "
                "back; goal <= %.2f: %s\n",
                pacedRatio, backRatio, kLatencyGoal,
                qPrintable(verdict(pacedRatio <= kLatencyGoal && backRatio <= kLatencyGoal)));
    std::printf("bridge / rotctld at the median: %.2f one set a second, %.2f back to back\n",
                viaBridge.paced.median() / hamlib.paced.median(),
                viaBridge.backToBack.median() / hamlib.backToBack.median());

    std::printf("\nCPU under gpredict-style tracking (the same P every 0.8 s, a p after each), "
                "%d s each, %% of a core\n",
                trackSeconds);
    for (const Chain *chain : chains)
        std::printf("%-20s %6.2f %%  (%s)\n", qPrintable(chain->name), chain->cpuShare,
                    qPrintable(chain->processNames()));
    std::printf("program's door <= rotctld: %s\n",
                qPrintable(verdict(door.cpuShare <= hamlib.cpuShare)));
    return 0;
}
