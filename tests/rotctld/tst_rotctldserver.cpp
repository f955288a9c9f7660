#include "rotctld/DdeRotator.h"
#include "rotctld/RotctlSession.h"
#include "rotctld/RotctldServer.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kWaitMs = 20000;
const QString kService = QLatin1String(DdeRotator::kService);
const QByteArray kBlock = "1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                          "max_el=0.000000\nsouth_zero=0\nrot_type=Az\ndone\n";

// A client on a plain socket, for what QTcpSocket hides: one recv() of gpredict's size, and a
// receive buffer nobody empties.
struct RawClient
{
    explicit RawClient(quint16 port, int receiveBuffer = 0)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(fd); }
    bool send(const QByteArray &bytes)
    {
        return ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL) == bytes.size();
    }
    bool readable() const
    {
        pollfd p = {fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    int fd = -1;
    bool connected = false;
};
} // namespace

// The program's link as the bridge sees it, on its own bus connection so every call really
// crosses the bus. Records pokes and stops, answers set positions, and can hold its replies back
// as a hung program would.
class FakeProgram : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sorvik.DDE")
public:
    explicit FakeProgram(const QDBusConnection &bus) : m_bus(bus) {}

    void reset()
    {
        pokes.clear();
        stops = 0;
        reported = -1;
        commanded = -1;
        hasStop = true;
        holding = false;
        held.clear();
        mostHeld = 0;
    }
    void release()
    {
        for (const QDBusMessage &call : std::exchange(held, {})) {
            m_bus.send(call.member() == QLatin1String("Position")
                           ? call.createReply(QVariantList{reported, commanded})
                           : call.createReply());
        }
    }

    QStringList pokes;
    int stops = 0;
    int reported = -1;
    int commanded = -1;
    bool hasStop = true;
    bool holding = false;
    QList<QDBusMessage> held;
    qsizetype mostHeld = 0;

public slots:
    void Poke(const QString &item, const QString &value)
    {
        pokes << (item == QLatin1String("Text1") ? value : QStringLiteral("?") + item);
        commanded = value.toInt();
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
        if (!hasStop) {
            sendErrorReply(QStringLiteral("org.sorvik.DDE.Error.NotAvailable"),
                           QStringLiteral("this family has no stop"));
            return;
        }
        ++stops;
        hold();
    }
    int Position(int &lastCommanded)
    {
        hold();
        lastCommanded = commanded;
        return reported;
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
    void cleanupTestCase();

    void session_data();
    void session();
    void oneRecvHoldsTheWholeReply();
    void repliesKeepTheCommandsOrder();
    void absentProgramThenItAppears();
    void hungProgramAnswersIoError();
    void waitingCommandsAreBounded();
    void hostileClients();
    void answersForAGoneClientAreDropped();
    void clientThatNeverReadsIsDropped();
    void hundredClients();
    void hamlibRotctl();

private:
    std::unique_ptr<QTcpSocket> connectClient(quint16 port = 0);
    QByteArray &received(QTcpSocket *socket) { return m_received[socket]; }

    QDBusConnection m_fakeBus{QString()};
    std::unique_ptr<FakeProgram> m_fake;
    std::unique_ptr<DdeRotator> m_rotator;
    std::unique_ptr<RotctldServer> m_server;
    QHash<QTcpSocket *, QByteArray> m_received;
};

void TestRotctldServer::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"));
    QVERIFY(m_fakeBus.isConnected());
    m_fake = std::make_unique<FakeProgram>(m_fakeBus);
    QVERIFY(m_fakeBus.registerObject(QLatin1String(DdeRotator::kPath), m_fake.get(),
                                     QDBusConnection::ExportAllSlots));
    // Generous: no test here should ever see the time-out but the one that asks for it.
    m_rotator = std::make_unique<DdeRotator>(QDBusConnection::sessionBus(), kWaitMs);
    m_server = std::make_unique<RotctldServer>(*m_rotator);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
}

void TestRotctldServer::init()
{
    m_fake->reset();
    m_fakeBus.registerService(kService);
}

void TestRotctldServer::cleanup()
{
    m_fake->release();
    for (auto it = m_received.keyBegin(); it != m_received.keyEnd(); ++it)
        delete *it;
    m_received.clear();
    // Every session ends with its client.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);
}

void TestRotctldServer::cleanupTestCase()
{
    m_server.reset();
    m_rotator.reset();
    m_fakeBus.unregisterObject(QLatin1String(DdeRotator::kPath));
    m_fake.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
}

std::unique_ptr<QTcpSocket> TestRotctldServer::connectClient(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    QTcpSocket *raw = socket.get();
    m_received.insert(raw, {});
    connect(raw, &QTcpSocket::readyRead, this, [this, raw] { m_received[raw] += raw->readAll(); });
    connect(raw, &QObject::destroyed, this, [this, raw] { m_received.remove(raw); });
    // What is written before the connection is up waits in the socket.
    raw->connectToHost(QHostAddress::LocalHost, port ? port : m_server->port());
    return socket;
}

void TestRotctldServer::session_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("reported");
    QTest::addColumn<int>("commanded");
    QTest::addColumn<bool>("hasStop");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QStringList>("pokes");
    QTest::addColumn<bool>("closes");

    QTest::newRow("p: reported") << QByteArray("p\n") << 45 << 90 << true
                                 << QByteArray("45.00\n0.00\n") << QStringList{} << false;
    QTest::newRow("p: commanded when none reported")
        << QByteArray("\\get_pos\n") << -1 << 90 << true << QByteArray("90.00\n0.00\n")
        << QStringList{} << false;
    QTest::newRow("p: nothing known") << QByteArray("p\n") << -1 << -1 << true
                                      << QByteArray("RPRT -11\n") << QStringList{} << false;
    QTest::newRow("cqrlog +p") << QByteArray("+p\n") << 45 << -1 << true
                               << QByteArray("get_pos:\nAzimuth: 45.00\nElevation: 0.00\nRPRT 0\n")
                               << QStringList{} << false;
    QTest::newRow("P: rounded, wrapped, comma")
        << QByteArray("P 45,5 0\nP -90 0\nP 359.6 10\n\\set_pos 12 0\n+P 7 0\n") << -1 << -1 << true
        << QByteArray("RPRT 0\nRPRT 0\nRPRT 0\nRPRT 0\nset_pos: 7 0\nRPRT 0\n")
        << QStringList{"46", "270", "0", "12", "7"} << false;
    QTest::newRow("P: not a number pokes nothing")
        << QByteArray("P abc 0\nP nan 0\nP 10 x\n") << -1 << -1 << true
        << QByteArray("RPRT -1\nRPRT -1\nRPRT -1\n") << QStringList{} << false;
    QTest::newRow("WaveLogGate") << QByteArray("S\nP 123.4 0.0\n") << -1 << -1 << true
                                 << QByteArray("RPRT 0\nRPRT 0\n") << QStringList{"123"} << false;
    QTest::newRow("S: family without stop")
        << QByteArray("S\n+S\n") << -1 << -1 << false << QByteArray("RPRT -11\nstop:\nRPRT -11\n")
        << QStringList{} << false;
    QTest::newRow("K") << QByteArray("K\n") << -1 << -1 << true << QByteArray("RPRT -11\n")
                       << QStringList{} << false;
    QTest::newRow("_") << QByteArray("_\n") << -1 << -1 << true
                       << QByteArray("SorvikDDE PROSISTEL D\n") << QStringList{} << false;
    QTest::newRow("dump_state") << QByteArray("\\dump_state\n") << -1 << -1 << true << kBlock
                                << QStringList{} << false;
    QTest::newRow("unknown commands answer nothing")
        << QByteArray("\\chk_vfo\nx\n# p\nM 2 50\n") << 45 << -1 << true << QByteArray()
        << QStringList{} << false;
    QTest::newRow("several on a line, in order")
        << QByteArray("P 10 5 p K\n") << -1 << -1 << true
        << QByteArray("RPRT 0\n10.00\n0.00\nRPRT -11\n") << QStringList{"10"} << false;
    QTest::newRow("q ends the session") << QByteArray("p\nq\nP 20 0\n") << 45 << -1 << true
                                        << QByteArray("45.00\n0.00\n") << QStringList{} << true;
}

void TestRotctldServer::session()
{
    QFETCH(QByteArray, input);
    QFETCH(int, reported);
    QFETCH(int, commanded);
    QFETCH(bool, hasStop);
    QFETCH(QByteArray, replies);
    QFETCH(QStringList, pokes);
    QFETCH(bool, closes);

    m_fake->reported = reported;
    m_fake->commanded = commanded;
    m_fake->hasStop = hasStop;
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write(input);
    if (closes) {
        QTRY_COMPARE_WITH_TIMEOUT(client->state(), QAbstractSocket::UnconnectedState, kWaitMs);
        QCOMPARE(received(client.get()), replies);
    } else {
        // The K after it proves nothing else came before: replies keep the commands' order.
        client->write("K\n");
        QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), replies + "RPRT -11\n", kWaitMs);
    }
    QCOMPARE(m_fake->pokes, pokes);
}

void TestRotctldServer::oneRecvHoldsTheWholeReply()
{
    // gpredict reads each reply with a single recv() of at most 127 bytes.
    m_fake->reported = 45;
    RawClient gpredict(m_server->port());
    QVERIFY(gpredict.connected);
    const QList<QPair<QByteArray, QByteArray>> exchanges{{"p\n", "45.00\n0.00\n"},
                                                         {"P 180.00 12.50\n", "RPRT 0\n"},
                                                         {"p\n", "45.00\n0.00\n"},
                                                         {"S\n", "RPRT 0\n"},
                                                         {"p\n", "45.00\n0.00\n"}};
    for (const auto &[command, reply] : exchanges) {
        QVERIFY(gpredict.send(command));
        QTRY_VERIFY_WITH_TIMEOUT(gpredict.readable(), kWaitMs);
        char buffer[127];
        const ssize_t n = ::recv(gpredict.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        QCOMPARE(QByteArray(buffer, qMax<ssize_t>(n, 0)), reply);
    }
    QCOMPARE(m_fake->pokes, QStringList{"180"});
}

void TestRotctldServer::repliesKeepTheCommandsOrder()
{
    // K is answered at once, p only when the program replies: K must still come second.
    m_fake->reported = 45;
    m_fake->holding = true;
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write("p\nK\n");
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->held.size(), 1, kWaitMs);
    // A second client's answer is a point in time after anything the first could have got.
    const std::unique_ptr<QTcpSocket> other = connectClient();
    other->write("K\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(other.get()), QByteArray("RPRT -11\n"), kWaitMs);
    QCOMPARE(received(client.get()), QByteArray());
    m_fake->release();
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), QByteArray("45.00\n0.00\nRPRT -11\n"),
                              kWaitMs);
}

void TestRotctldServer::absentProgramThenItAppears()
{
    QVERIFY(m_fakeBus.unregisterService(kService));
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write("\\dump_state\np\n+p\nP 10 0\nS\n_\nK\n");
    const QByteArray absent = "RPRT -6\nRPRT -6\nget_pos:\nRPRT -6\nRPRT -6\nRPRT -6\nRPRT -6\n"
                              "RPRT -11\n";
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), absent, kWaitMs);
    QVERIFY(m_fake->pokes.isEmpty());

    // The program starts: the same session is served, no restart.
    QVERIFY(m_fakeBus.registerService(kService));
    m_fake->reported = 45;
    client->write("\\dump_state\np\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), absent + kBlock + "45.00\n0.00\n", kWaitMs);
}

void TestRotctldServer::hungProgramAnswersIoError()
{
    DdeRotator impatient(QDBusConnection::sessionBus(), 300);
    RotctldServer server(impatient);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    m_fake->holding = true;
    const std::unique_ptr<QTcpSocket> client = connectClient(server.port());
    client->write("p\nP 10 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), QByteArray("RPRT -6\nRPRT -6\n"), kWaitMs);

    // Late answers to the timed-out calls change nothing; the program back, all is served.
    m_fake->release();
    m_fake->holding = false;
    m_fake->reported = 45;
    client->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), QByteArray("RPRT -6\nRPRT -6\n45.00\n0.00\n"),
                              kWaitMs);
}

void TestRotctldServer::waitingCommandsAreBounded()
{
    constexpr int polls = 200;
    m_fake->reported = 45;
    m_fake->holding = true;
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write(QByteArray("p\n").repeated(polls));
    const QByteArray all = QByteArray("45.00\n0.00\n").repeated(polls);
    while (received(client.get()).size() < all.size()) {
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_fake->held.isEmpty() || received(client.get()).size() == all.size(), kWaitMs);
        m_fake->release();
    }
    QCOMPARE(received(client.get()), all);
    QCOMPARE(m_fake->mostHeld, RotctlSession::kMaxWaiting);
}

void TestRotctldServer::hostileClients()
{
    m_fake->reported = 45;
    const std::unique_ptr<QTcpSocket> silent = connectClient();
    const std::unique_ptr<QTcpSocket> longLine = connectClient();
    longLine->write(QByteArray(1 << 20, 'x'));
    const std::unique_ptr<QTcpSocket> binary = connectClient();
    QRandomGenerator random(4533);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    for (char &c : noise)
        c = char(random.bounded(256));
    binary->write(noise);
    {
        const std::unique_ptr<QTcpSocket> midLine = connectClient();
        midLine->write("P 10");
        QVERIFY(midLine->waitForBytesWritten(kWaitMs));
    }

    QTRY_COMPARE_WITH_TIMEOUT(longLine->state(), QAbstractSocket::UnconnectedState, kWaitMs);
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), QByteArray("45.00\n0.00\n"), kWaitMs);
    // A quiet client is no fault.
    QCOMPARE(silent->state(), QAbstractSocket::ConnectedState);
    silent->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(silent.get()), QByteArray("45.00\n0.00\n"), kWaitMs);
}

void TestRotctldServer::answersForAGoneClientAreDropped()
{
    m_fake->reported = 45;
    m_fake->holding = true;
    {
        const std::unique_ptr<QTcpSocket> client = connectClient();
        client->write("p\nP 10 0\nS\n_\n");
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->held.size(), 4, kWaitMs);
        client->abort();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);
    m_fake->release();
    m_fake->holding = false;
    const std::unique_ptr<QTcpSocket> client = connectClient();
    client->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(client.get()), QByteArray("45.00\n0.00\n"), kWaitMs);
}

void TestRotctldServer::clientThatNeverReadsIsDropped()
{
    m_fake->reported = 45;
    RawClient client(m_server->port(), 4096);
    QVERIFY(client.connected);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 1, kWaitMs);
    // Parks, answered without the program: the replies pile up fastest.
    const QByteArray parks = QByteArray("K\n").repeated(4096);
    // Keeps sending what the socket takes; the bridge must hang up before long.
    auto sendUntilDropped = [&] {
        const ssize_t n =
            ::send(client.fd, parks.constData(), parks.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        const bool refused = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        return refused || m_server->clientCount() == 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sendUntilDropped(), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->clientCount(), 0, kWaitMs);

    const std::unique_ptr<QTcpSocket> other = connectClient();
    other->write("p\n");
    QTRY_COMPARE_WITH_TIMEOUT(received(other.get()), QByteArray("45.00\n0.00\n"), kWaitMs);
}

void TestRotctldServer::hundredClients()
{
    constexpr int count = 100;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < count; ++i)
        clients.push_back(connectClient());
    for (int i = 0; i < count; ++i)
        clients[i]->write("P " + QByteArray::number(i) + " 0\np\n");
    for (const auto &client : clients) {
        // Each sees its own poke acknowledged, then where the last of all the pokes sent it.
        QTRY_VERIFY_WITH_TIMEOUT(received(client.get()).endsWith(".00\n0.00\n"), kWaitMs);
        QVERIFY(received(client.get()).startsWith("RPRT 0\n"));
    }
    QStringList pokes = m_fake->pokes;
    std::sort(pokes.begin(), pokes.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << QString::number(i);
    QCOMPARE(pokes, expected);
}

void TestRotctldServer::hamlibRotctl()
{
    const QString rotctl = QStandardPaths::findExecutable(QStringLiteral("rotctl"));
    if (rotctl.isEmpty())
        QSKIP("Hamlib's rotctl is not installed (package libhamlib-utils; scripts/setup installs "
              "it)");
    QProcess process;
    process.start(rotctl, {QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                           QStringLiteral("127.0.0.1:%1").arg(m_server->port()),
                           QStringLiteral("P"), QStringLiteral("90"), QStringLiteral("0"),
                           QStringLiteral("p"), QStringLiteral("S")});
    QVERIFY(process.waitForStarted(kWaitMs));
    // rotctl blocks on its socket; the bridge needs this loop running meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, kWaitMs);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QCOMPARE(process.readAllStandardOutput(), QByteArray("90.00\n0.00\n"));
    QCOMPARE(m_fake->pokes, QStringList{"90"});
    QCOMPARE(m_fake->stops, 1);
}

QTEST_GUILESS_MAIN(TestRotctldServer)
#include "tst_rotctldserver.moc"
