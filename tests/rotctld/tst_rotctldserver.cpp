#include "doors/RotctlSession.h"
#include "doors/RotctldServer.h"
#include "rotctld/DdeRotator.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kWaitMs = 20000;
const QString kService = QLatin1String(DdeRotator::kService);
const QByteArray kPosition = "45.00\n0.00\n";

// A client on a plain socket, for what QTcpSocket hides: gpredict's single recv(), and a small
// receive buffer nobody empties.
struct RawClient
{
    explicit RawClient(quint16 port, int receiveBuffer = 0)
    {
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(fd); }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool connected = false;
};
} // namespace

// The program's link, on a bus connection of its own so every call really crosses the bus.
// Records pokes and stops, answers set positions, and can hold its replies as a hung program.
class FakeProgram : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sorvik.DDE")
public:
    explicit FakeProgram(const QDBusConnection &bus) : m_bus(bus) {}

    void release()
    {
        for (const QDBusMessage &call : std::exchange(held, {})) {
            const QString member = call.member();
            m_bus.send(member == QLatin1String("Position")
                           ? call.createReply(QVariantList{reported, commanded})
                       : member == QLatin1String("CanSend") ? call.createReply(lineOpen)
                                                            : call.createReply());
        }
    }

    QStringList pokes;
    int stops = 0;
    int reported = 45;
    int commanded = -1;
    bool hasStop = true;
    bool lineOpen = true;
    bool holding = false;
    QList<QDBusMessage> held;
    qsizetype mostHeld = 0;

public slots:
    void Poke(const QString &item, const QString &value)
    {
        pokes << (item == QLatin1String("Text1") ? value : item);
        // As in the program: applied after the reply, in a later loop pass.
        QMetaObject::invokeMethod(
            this, [this, value] { commanded = value.toInt(); }, Qt::QueuedConnection);
        hold();
    }
    QString Request(const QString &item)
    {
        hold();
        return item == QLatin1String("LblConfig")
                   ? QStringLiteral("PROSISTEL D - COM: 1 - n,8,1 - 9600")
                   : QString();
    }
    void Stop()
    {
        if (!hasStop)
            return sendErrorReply(QStringLiteral("org.sorvik.DDE.Error.NotAvailable"),
                                  QStringLiteral("this family has no stop"));
        ++stops;
        hold();
    }
    int Position(int &lastCommanded)
    {
        hold();
        lastCommanded = commanded;
        return reported;
    }
    bool CanSend()
    {
        hold();
        return lineOpen;
    }

private:
    void hold()
    {
        if (!holding)
            return;
        setDelayedReply(true);
        held << message();
        mostHeld = std::max(mostHeld, held.size());
    }

    QDBusConnection m_bus;
};

// The bridge on a private session bus: real TCP clients, the fake program behind it.
class TestRotctldServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void session_data();
    void session();
    void oneRecvHoldsTheWholeReply();
    void closedLineAnswersIoError();
    void halfClosedClientGetsItsAnswers();
    void programAbsentOrHung();
    void waitingCommandsAreBounded();
    void hostileClients();
    void clientThatNeverReadsIsDropped();
    void hundredClients();
    void hamlibRotctl();

private:
    QTcpSocket *connectClient(quint16 port = 0);

    QDBusConnection m_fakeBus{QString()};
    std::unique_ptr<FakeProgram> m_fake;
    std::unique_ptr<DdeRotator> m_rotator;
    std::unique_ptr<RotctldServer> m_server;
    std::map<QTcpSocket *, QByteArray> m_received;
    std::vector<std::unique_ptr<QTcpSocket>> m_clients;
};

void TestRotctldServer::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"));
    // Generous: only the test that asks for the time-out may see it.
    m_rotator = std::make_unique<DdeRotator>(QDBusConnection::sessionBus(), kWaitMs);
    m_server = std::make_unique<RotctldServer>(*m_rotator);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
}

void TestRotctldServer::init()
{
    m_fake = std::make_unique<FakeProgram>(m_fakeBus);
    QVERIFY(m_fakeBus.registerObject(QLatin1String(DdeRotator::kPath), m_fake.get(),
                                     QDBusConnection::ExportAllSlots));
    QVERIFY(m_fakeBus.registerService(kService));
}

void TestRotctldServer::cleanup()
{
    m_fake->release();
    m_fakeBus.unregisterService(kService);
    m_fakeBus.unregisterObject(QLatin1String(DdeRotator::kPath));
    m_clients.clear();
    m_received.clear();
    // Every session ends with its client.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);
}

QTcpSocket *TestRotctldServer::connectClient(quint16 port)
{
    QTcpSocket *socket = m_clients.emplace_back(std::make_unique<QTcpSocket>()).get();
    connect(socket, &QTcpSocket::readyRead, this,
            [this, socket] { m_received[socket] += socket->readAll(); });
    // What is written before the connection is up waits in the socket.
    socket->connectToHost(QHostAddress::LocalHost, port ? port : m_server->port());
    return socket;
}

void TestRotctldServer::session_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("reported");
    QTest::addColumn<bool>("hasStop");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QStringList>("pokes");
    QTest::addColumn<bool>("closes");

    QTest::newRow("p") << QByteArray("p\n") << 45 << true << kPosition << QStringList{} << false;
    QTest::newRow("p: commanded when none reported")
        << QByteArray("P 90 0\n\\get_pos\n") << -1 << true << QByteArray("RPRT 0\n90.00\n0.00\n")
        << QStringList{"90"} << false;
    QTest::newRow("p: nothing known")
        << QByteArray("p\n") << -1 << true << QByteArray("RPRT -11\n") << QStringList{} << false;
    QTest::newRow("cqrlog +p") << QByteArray("+p\n") << 45 << true
                               << QByteArray("get_pos:\nAzimuth: 45.00\nElevation: 0.00\nRPRT 0\n")
                               << QStringList{} << false;
    QTest::newRow("P: rounded, wrapped, comma")
        << QByteArray("P 45,5 0\nP -90 0\nP 359.6 0.0\n+\\set_pos 12 0\n") << 45 << true
        << QByteArray("RPRT 0\nRPRT 0\nRPRT 0\nset_pos: 12 0\nRPRT 0\n")
        << QStringList{"46", "270", "0", "12"} << false;
    QTest::newRow("P: not a number, out of range or raised pokes nothing")
        << QByteArray("P abc 0\nP nan 0\nP 10 x\nP 1e308 0\nP 180 45\n") << 45 << true
        << QByteArray("RPRT -1\nRPRT -1\nRPRT -1\nRPRT -1\nRPRT -1\n") << QStringList{} << false;
    QTest::newRow("WaveLogGate") << QByteArray("S\nP 123.4 0.0\n") << 45 << true
                                 << QByteArray("RPRT 0\nRPRT 0\n") << QStringList{"123"} << false;
    QTest::newRow("S: family without stop")
        << QByteArray("S\n+S\nK\n") << 45 << false
        << QByteArray("RPRT -11\nstop:\nRPRT -11\nRPRT -11\n") << QStringList{} << false;
    QTest::newRow("M and R: no family has them")
        << QByteArray("M 8 50\nR 1\nM abc 5\nR x\nM 2 50.5\n") << 45 << true
        << QByteArray("RPRT -11\nRPRT -11\nRPRT -1\nRPRT -1\nRPRT -11\n") << QStringList{} << false;
    QTest::newRow("_ and dump_state")
        << QByteArray("_\n\\dump_state\n") << 45 << true
        << QByteArray("SorvikDDE PROSISTEL D\n1\n2\nmin_az=0.000000\nmax_az=360.000000\n"
                      "min_el=0.000000\nmax_el=0.000000\nsouth_zero=0\nrot_type=Az\ndone\n")
        << QStringList{} << false;
    QTest::newRow("unknown commands answer nothing")
        << QByteArray("\\chk_vfo\nx\n# p\nz 2 50\n") << 45 << true << QByteArray() << QStringList{}
        << false;
    QTest::newRow("several on a line, in order")
        << QByteArray("P 10 0 p K\n") << -1 << true << QByteArray("RPRT 0\n10.00\n0.00\nRPRT -11\n")
        << QStringList{"10"} << false;
    QTest::newRow("repeated P: one poke until a stop")
        << QByteArray("P 90 0\nP 90 0\nP 90,2 0\nS\nP 90 0\n") << 45 << true
        << QByteArray("RPRT 0\n").repeated(5) << QStringList{"90", "90"} << false;
    QTest::newRow("repeated P: a family that never reports")
        << QByteArray("P 90 0\nP 90 0\n") << -1 << true << QByteArray("RPRT 0\nRPRT 0\n")
        << QStringList{"90"} << false;
    QTest::newRow("q ends it") << QByteArray("p\nq\nP 20 0\n") << 45 << true << kPosition
                               << QStringList{} << true;
}

void TestRotctldServer::session()
{
    QFETCH(QByteArray, input);
    QFETCH(int, reported);
    QFETCH(bool, hasStop);
    QFETCH(QByteArray, replies);
    QFETCH(QStringList, pokes);
    QFETCH(bool, closes);

    m_fake->reported = reported;
    m_fake->hasStop = hasStop;
    QTcpSocket *client = connectClient();
    // The closing K is answered without the program: had anything come out of order or
    // unasked, it would show before it.
    client->write(input + "K\n");
    if (closes) {
        QTRY_COMPARE_WITH_TIMEOUT(client->state(), QAbstractSocket::UnconnectedState, kWaitMs);
        QCOMPARE(m_received[client], replies);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(m_received[client], replies + "RPRT -11\n", kWaitMs);
    }
    QCOMPARE(m_fake->pokes, pokes);
}

void TestRotctldServer::oneRecvHoldsTheWholeReply()
{
    // gpredict reads each reply with a single recv() of at most 127 bytes.
    RawClient gpredict(m_server->port());
    QVERIFY(gpredict.connected);
    const std::pair<QByteArray, QByteArray> exchanges[] = {
        {"p\n", kPosition}, {"P 180.00 0.00\n", "RPRT 0\n"}, {"p\n", kPosition}};
    for (const auto &[command, reply] : exchanges) {
        QCOMPARE(::send(gpredict.fd, command.constData(), command.size(), 0), command.size());
        pollfd readable = {gpredict.fd, POLLIN, 0};
        QTRY_VERIFY_WITH_TIMEOUT(::poll(&readable, 1, 0) == 1, kWaitMs);
        char buffer[127];
        const ssize_t n = ::recv(gpredict.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        QCOMPARE(QByteArray(buffer, qMax<ssize_t>(n, 0)), reply);
    }
}

void TestRotctldServer::closedLineAnswersIoError()
{
    // The program took the set and the stop but could not send them: the rotor's line is closed.
    m_fake->lineOpen = false;
    QTcpSocket *client = connectClient();
    client->write("P 10 0\nS\n+P 20 0\np\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[client],
                              "RPRT -6\nRPRT -6\nset_pos: 20 0\nRPRT -6\n" + kPosition, kWaitMs);
    QCOMPARE(m_fake->pokes, QStringList({"10", "20"}));
}

void TestRotctldServer::halfClosedClientGetsItsAnswers()
{
    // printf 'p\nP 10 0\n' | nc -N: the commands, then the client's end of file, then it reads
    // until the bridge closes. The program answers only after the end of file has come.
    m_fake->holding = true;
    RawClient client(m_server->port());
    QVERIFY(client.connected);
    const QByteArray commands = "p\nP 10 0\n";
    QCOMPARE(::send(client.fd, commands.constData(), commands.size(), 0), commands.size());
    QCOMPARE(::shutdown(client.fd, SHUT_WR), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->held.size(), 3, kWaitMs); // Position, Poke, CanSend
    // Time for the end of file to reach the session, which must not end there.
    QTest::qWait(200);
    m_fake->release();
    QByteArray received;
    char buffer[256];
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            received += QByteArray(buffer, qMax<ssize_t>(n, 0));
            return n == 0; // the bridge has closed
        }(),
        kWaitMs);
    QCOMPARE(received, kPosition + "RPRT 0\n");
}

void TestRotctldServer::programAbsentOrHung()
{
    QVERIFY(m_fakeBus.unregisterService(kService));
    QTcpSocket *client = connectClient();
    client->write("\\dump_state\np\n+p\nP 10 0\nS\n_\nK\n");
    const QByteArray absent = "RPRT -6\nRPRT -6\nget_pos:\nRPRT -6\nRPRT -6\nRPRT -6\nRPRT -6\n"
                              "RPRT -11\n";
    QTRY_COMPARE_WITH_TIMEOUT(m_received[client], absent, kWaitMs);
    QVERIFY(m_fake->pokes.isEmpty());

    // The program starts: the same session is served, no restart.
    QVERIFY(m_fakeBus.registerService(kService));
    client->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[client], absent + kPosition, kWaitMs);

    // A hung program gives the same error once the calls time out, and late answers are dropped.
    DdeRotator impatient(QDBusConnection::sessionBus(), 300);
    RotctldServer server(impatient);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    m_fake->holding = true;
    QTcpSocket *hung = connectClient(server.port());
    hung->write("p\nP 10 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[hung], QByteArray("RPRT -6\nRPRT -6\n"), kWaitMs);
    m_fake->release();
    m_fake->holding = false;
    hung->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[hung], "RPRT -6\nRPRT -6\n" + kPosition, kWaitMs);
    m_clients.clear();
    QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 0, kWaitMs);
}

void TestRotctldServer::waitingCommandsAreBounded()
{
    constexpr int polls = 200;
    m_fake->holding = true;
    QTcpSocket *client = connectClient();
    client->write(QByteArray("p\n").repeated(polls));
    const QByteArray all = kPosition.repeated(polls);
    while (m_received[client].size() < all.size()) {
        QTRY_VERIFY_WITH_TIMEOUT(!m_fake->held.isEmpty() || m_received[client] == all, kWaitMs);
        m_fake->release();
    }
    QCOMPARE(m_received[client], all);
    QCOMPARE(m_fake->mostHeld, RotctlSession::kMaxWaiting);
}

void TestRotctldServer::hostileClients()
{
    // Gone with calls in flight: their answers find a closed connection, and the session ends.
    // (Its end of file alone cannot end it: a client that half-closes still reads.)
    m_fake->holding = true;
    QTcpSocket *inFlight = connectClient();
    inFlight->write("p\nP 10 0\nS\n_\n");
    // The set and the stop each with CanSend behind it.
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->held.size(), 6, kWaitMs);
    inFlight->abort();
    m_fake->release();
    m_fake->holding = false;
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);

    QTcpSocket *silent = connectClient();
    QTcpSocket *longLine = connectClient();
    longLine->write(QByteArray(1 << 20, 'x'));
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(4533);
    for (char &c : noise)
        c = char(random.bounded(256));
    connectClient()->write(noise.replace('q', 'x').replace('Q', 'x'));
    QTcpSocket *midLine = connectClient();
    midLine->write("P 10");
    QVERIFY(midLine->waitForBytesWritten(kWaitMs));
    midLine->abort();
    QTRY_COMPARE_WITH_TIMEOUT(longLine->state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 2, kWaitMs); // the silent one, the noise

    QTcpSocket *client = connectClient();
    client->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[client], kPosition, kWaitMs);
    // A quiet client is no fault.
    silent->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[silent], kPosition, kWaitMs);
}

void TestRotctldServer::clientThatNeverReadsIsDropped()
{
    RawClient client(m_server->port(), 4096);
    QVERIFY(client.connected);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 1, kWaitMs);
    // Parks, answered without the program: the replies pile up fastest.
    const QByteArray parks = QByteArray("K\n").repeated(4096);
    QTRY_VERIFY_WITH_TIMEOUT(
        ::send(client.fd, parks.constData(), parks.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 &&
            errno != EAGAIN && errno != EWOULDBLOCK,
        kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);
    QTcpSocket *other = connectClient();
    other->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_received[other], kPosition, kWaitMs);
}

void TestRotctldServer::hundredClients()
{
    constexpr int count = 100;
    for (int i = 0; i < count; ++i)
        connectClient()->write("P " + QByteArray::number(i) + " 0\np\n");
    QStringList expected;
    for (int i = 0; i < count; ++i) {
        // Its own poke acknowledged, then wherever the pokes of all have sent the rotator.
        const QByteArray &received = m_received[m_clients[i].get()];
        QTRY_VERIFY_WITH_TIMEOUT(received.endsWith(".00\n0.00\n"), kWaitMs);
        QVERIFY(received.startsWith("RPRT 0\n"));
        expected << QString::number(i);
    }
    QStringList pokes = m_fake->pokes;
    std::sort(pokes.begin(), pokes.end(), [](auto &a, auto &b) { return a.toInt() < b.toInt(); });
    QCOMPARE(pokes, expected);
}

void TestRotctldServer::hamlibRotctl()
{
    const QString rotctl = QStandardPaths::findExecutable(QStringLiteral("rotctl"));
    if (rotctl.isEmpty())
        QSKIP("Hamlib's rotctl is not installed (libhamlib-utils; scripts/setup installs it)");
    m_fake->reported = -1;
    QProcess process;
    process.start(rotctl, {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(m_server->port()),
                           "P", "90", "0", "p", "S"});
    // rotctl blocks on its socket; the bridge needs this loop running meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, kWaitMs);
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QCOMPARE(process.readAllStandardOutput(), QByteArray("90.00\n0.00\n"));
    QCOMPARE(m_fake->pokes, QStringList{"90"});
    QCOMPARE(m_fake->stops, 1);
}

QTEST_GUILESS_MAIN(TestRotctldServer)
#include "tst_rotctldserver.moc"
