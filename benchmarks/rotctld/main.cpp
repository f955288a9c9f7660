// From a client's "P az 0" to the first byte on the serial line, for the bridge with the program
// and for Hamlib's rotctld on its own Prosistel D backend. The benchmark plays the controller on
// a pseudo-terminal of its own for each, answering as a Prosistel D box, and drives both with the
// same TCP client, alternating rounds so both see the same machine load.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
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

void say(const QString &text)
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

// The controller's end of a pseudo-terminal, answering complete frames as a Prosistel D box.
// Its own slave descriptor stays open, so the master never reads EIO before the peer opens it.
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

// A rotator server with its client and its line.
struct Stack
{
    QString name;
    Line line;
    Client client;
    std::vector<double> micros;
    int failures = 0;
};

// One "P az 0": the time to the first byte on the line, then the rest of the exchange, untimed.
std::optional<double> timeOne(Stack &stack, int azimuth)
{
    stack.line.serve(-1);
    while (stack.client.line()) {
    }
    pollfd wire = {stack.line.fd(), POLLIN, 0};
    const auto sent = Clock::now();
    if (!stack.client.send("P " + QByteArray::number(azimuth) + " 0\n"))
        return std::nullopt;
    if (::poll(&wire, 1, kWaitMs) != 1)
        return std::nullopt;
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - sent;

    bool arrived = false;
    std::optional<QByteArray> reply;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!(arrived && reply) && Clock::now() < deadline) {
        pollfd both[] = {{stack.line.fd(), POLLIN, 0}, {stack.client.fd(), POLLIN, 0}};
        ::poll(both, 2, 100);
        arrived = stack.line.serve(azimuth) || arrived;
        if (!reply)
            reply = stack.client.line();
    }
    if (!arrived || reply != QByteArray("RPRT 0"))
        return std::nullopt;
    return elapsed.count();
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto rank = size_t(std::max(1.0, std::ceil(share * double(values.size()))));
    return values.at(rank - 1);
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
    say(QStringLiteral("cannot start %1: %2").arg(program, process.errorString()));
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
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Times P az 0 to the first byte on a Prosistel D line: sorvikdde-rotctld with SorvikDDE "
        "against Hamlib's rotctld. Needs dbus-daemon and rotctld (libhamlib-utils)."));
    options.addHelpOption();
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds per server (default 300)."),
                                          QStringLiteral("N"), QStringLiteral("300"));
    options.addOption(roundsOption);
    options.process(app);
    const int rounds = options.value(roundsOption).toInt();
    if (rounds < 1) {
        say(QStringLiteral("--rounds wants a number above 0"));
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
        say(QStringLiteral("cannot start a private dbus-daemon"));
        return 1;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QString::fromLocal8Bit(address.trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

    Stack bridge{QStringLiteral("bridge + program"), {}, {}, {}, 0};
    Stack hamlib{QStringLiteral("Hamlib rotctld"), {}, {}, {}, 0};
    if (bridge.line.slavePath.isEmpty() || hamlib.line.slavePath.isEmpty()) {
        say(QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }

    // The program on port 1, a Prosistel D at 9600 baud.
    QFile ini(config + "/SorvikDDE.ini");
    if (!ini.open(QIODevice::WriteOnly)) {
        say(QStringLiteral("cannot write %1: %2").arg(ini.fileName(), ini.errorString()));
        return 1;
    }
    for (int profile = 0; profile < 3; ++profile)
        ini.write("1\r\n9600\r\nN,8,1\r\n0 - NONE\r\nPROSISTEL D\r\n1\r\n0\r\n");
    ini.close();
    QFile::link(bridge.line.slavePath, config + "/com1");
    const QString exe = dir.filePath(QStringLiteral("sorvikdde"));
    QFile::copy(QStringLiteral(SORVIKDDE_PATH), exe);

    const quint16 bridgePort = freePort();
    const quint16 hamlibPort = freePort();
    QProcess program;
    QProcess server;
    QProcess rotctld;
    for (QProcess *process : {&program, &server, &rotctld})
        process->setProcessEnvironment(environment);
    const bool running =
        started(program, exe, {}, dir.path()) &&
        started(server, QStringLiteral(ROTCTLD_PATH),
                {QStringLiteral("--port"), QString::number(bridgePort)}, dir.path()) &&
        started(rotctld, QStringLiteral("rotctld"),
                {QStringLiteral("-m"), QLatin1String(kHamlibProsistelD), QStringLiteral("-r"),
                 hamlib.line.slavePath, QStringLiteral("-s"), QStringLiteral("9600"),
                 QStringLiteral("-T"), QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                 QString::number(hamlibPort)},
                dir.path());

    // rotctld opens its line before it listens, and waits for the box's answer to "AS".
    bool connected = false;
    for (auto until = Clock::now() + 20s; running && !connected && Clock::now() < until;) {
        bridge.line.serve(-1);
        hamlib.line.serve(-1);
        const bool toBridge = bridge.client.connect(bridgePort);
        connected = hamlib.client.connect(hamlibPort) && toBridge;
        std::this_thread::sleep_for(10ms);
    }
    int status = 1;
    if (connected) {
        // The program is up once the bridge reaches it on the bus.
        std::optional<QByteArray> info;
        for (auto until = Clock::now() + 20s;
             Clock::now() < until && (!info || info->startsWith("RPRT"));) {
            bridge.line.serve(-1);
            info.reset();
            bridge.client.send("_\n");
            for (auto wait = Clock::now() + 3s; !info && Clock::now() < wait;) {
                std::this_thread::sleep_for(1ms);
                info = bridge.client.line();
            }
        }
        if (!info || info->startsWith("RPRT")) {
            say(QStringLiteral("the program did not come up on the bus"));
        } else {
            for (int i = 0; i < kWarmUp + rounds; ++i) {
                const int azimuth = 10 + (i * 37) % 340;
                for (Stack *stack : {&bridge, &hamlib}) {
                    const std::optional<double> micros = timeOne(*stack, azimuth);
                    if (!micros)
                        ++stack->failures;
                    else if (i >= kWarmUp)
                        stack->micros.push_back(*micros);
                    // Both at rest before the next one is timed.
                    std::this_thread::sleep_for(20ms);
                }
            }
            status = 0;
        }
    } else {
        say(QStringLiteral("a server did not come up; logs in %1").arg(dir.path()));
        dir.setAutoRemove(false);
    }
    for (QProcess *process : {&rotctld, &server, &program, &bus})
        end(*process);
    if (status != 0)
        return status;

    std::printf("P az 0 -> first byte on the line, Prosistel D, %d rounds each after %d warm-up, "
                "microseconds\n",
                rounds, kWarmUp);
    std::printf("%-20s %10s %10s %10s %10s\n", "", "median", "p90", "p99", "failed");
    const double shares[] = {0.5, 0.9, 0.99};
    for (const Stack *stack : {&bridge, &hamlib}) {
        std::printf("%-20s", qPrintable(stack->name));
        for (const double share : shares)
            std::printf(" %10.0f", stack->micros.empty() ? 0.0 : percentile(stack->micros, share));
        std::printf(" %10d\n", stack->failures);
    }
    if (bridge.micros.empty() || hamlib.micros.empty())
        return 1;
    std::printf("%-20s", "bridge / rotctld");
    for (const double share : shares)
        std::printf(" %10.2f", percentile(bridge.micros, share) / percentile(hamlib.micros, share));
    std::printf("\nbridge no slower than rotctld at the median: %s\n",
                percentile(bridge.micros, 0.5) <= percentile(hamlib.micros, 0.5) ? "yes" : "no");
    return 0;
}
