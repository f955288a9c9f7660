// The program's own doors, the program and the controller simulator each in its own process on a
// private session bus: rotctld, PstRotator and N1MM clients turn the simulated rotor with no
// bridge between.
#include "tests/support/OneRecvClient.h"
#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>

namespace {
constexpr int kWaitMs = Station::kWaitMs;
// gpredict's pace: a set, then a position query, every 0.8 s.
constexpr int kTrackingMs = 800;
const QByteArray kStopFrame = "RX \\x02AG977\\x0D";

// A free UDP port whose next one this socket now holds: PstRotator answers at port + 1.
quint16 portBelow(QUdpSocket &answers)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, 0))
            continue;
        const quint16 port = probe.localPort();
        if (port < 65535 && answers.bind(QHostAddress::LocalHost, port + 1))
            return port;
    }
    return 0;
}

// The datagrams that came to the socket so far, waited for until one equals `wanted`.
bool receives(QUdpSocket &socket, const QByteArray &wanted, QByteArrayList *got = nullptr)
{
    QByteArrayList all;
    QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired()) {
        while (socket.hasPendingDatagrams())
            all << socket.receiveDatagram().data();
        if (all.contains(wanted))
            break;
        QTest::qWait(20);
    }
    if (got)
        *got = all;
    return all.contains(wanted);
}
} // namespace

class TestDoorsWithProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void gpredictTracksWithOneStop();
    void closedLineAnswersIoError_data();
    void closedLineAnswersIoError();
    void datagramsTurnTheRotor();
};

void TestDoorsWithProgram::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
}

void TestDoorsWithProgram::gpredictTracksWithOneStop()
{
    Station station;
    QCOMPARE(station.writeConfig("PROSISTEL D"), QString());
    QCOMPARE(
        station.startSim(SIM_PATH, {"--model", "PROSISTEL D", "--speed", "30", "--start", "10"}),
        QString());
    QCOMPARE(station.startProgram(SORVIKDDE_PATH, {"--rotctld", "127.0.0.1:0"}), QString());
    OneRecvClient gpredict(station.doorPort(QStringLiteral("rotctld")));
    QVERIFY(gpredict.connected());
    // The status reply has been read once the start position is known.
    QTRY_COMPARE_WITH_TIMEOUT(gpredict.ask("p\n"), QByteArray("10.00\n0.00\n"), kWaitMs);

    // Max El must be 0: a raised antenna is refused and drives nothing.
    QCOMPARE(gpredict.ask("P 90.00 45.00\n"), QByteArray("RPRT -1\n"));
    // The same target every 0.8 s until the position reads it; the rotor turns for seconds.
    int sets = 0;
    for (QByteArray position; position != "90.00\n0.00\n" && sets < 60; ++sets) {
        QCOMPARE(gpredict.ask("P 90.00 0.00\n"), QByteArray("RPRT 0\n"));
        position = gpredict.ask("p\n");
        if (position != "90.00\n0.00\n")
            QTest::qWait(kTrackingMs);
    }
    QVERIFY2(sets > 2, "the rotor arrived before any repeat");
    QCOMPARE(station.simLog().count(kStopFrame), 1);
    QCOMPARE(station.simLog().count("RX \\x02AG090\\x0D"), 1);
    // The window showed it as a logbook's poke.
    QCOMPARE(Station::request(QStringLiteral("LblGradi")), QStringLiteral("090"));
    QCOMPARE(Station::request(QStringLiteral("Label3")), QStringLiteral("090"));

    // A stop, and the same target drives again.
    QCOMPARE(gpredict.ask("S\n"), QByteArray("RPRT 0\n"));
    QCOMPARE(gpredict.ask("P 90.00 0.00\n"), QByteArray("RPRT 0\n"));
    QTRY_COMPARE_WITH_TIMEOUT(station.simLog().count("RX \\x02AG090\\x0D"), 2, kWaitMs);
    QVERIFY(Station::end(station.program()));
}

void TestDoorsWithProgram::closedLineAnswersIoError_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("replies"); // to P, then S

    QTest::newRow("Prosistel D") << QByteArray("PROSISTEL D") << QByteArray("RPRT -6\nRPRT -6\n");
    QTest::newRow("Rotor-EZ, no stop")
        << QByteArray("ROTOR-EZ") << QByteArray("RPRT -6\nRPRT -11\n");
    QTest::newRow("DEMO accepts as designed")
        << QByteArray("DEMO") << QByteArray("RPRT 0\nRPRT -11\n");
}

void TestDoorsWithProgram::closedLineAnswersIoError()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, replies);
    // Port 1 is a device that is not there: the line never opens (COM OFF).
    Station station;
    QCOMPARE(station.writeConfig(model), QString());
    QCOMPARE(station.link(1, station.path(QStringLiteral("no-such-device"))), QString());
    QCOMPARE(station.startProgram(SORVIKDDE_PATH, {"--rotctld", "127.0.0.1:0"}), QString());
    OneRecvClient client(station.doorPort(QStringLiteral("rotctld")));
    QVERIFY(client.connected());
    QCOMPARE(client.ask("P 90 0\n") + client.ask("S\n"), replies);
    QVERIFY(Station::end(station.program()));
}

void TestDoorsWithProgram::datagramsTurnTheRotor()
{
    Station station;
    QCOMPARE(station.writeConfig("PROSISTEL D"), QString());
    QCOMPARE(
        station.startSim(SIM_PATH, {"--model", "PROSISTEL D", "--speed", "180", "--start", "10"}),
        QString());
    QUdpSocket answers;
    QUdpSocket headings;
    QVERIFY(headings.bind(QHostAddress::LocalHost, 0));
    const quint16 pstPort = portBelow(answers);
    QVERIFY(pstPort != 0);
    // Another rotctld holds the rotctld door's port: one line, and the other doors open.
    QTcpServer rotctld;
    QVERIFY(rotctld.listen(QHostAddress::LocalHost, 0));
    QCOMPARE(
        station.startProgram(SORVIKDDE_PATH,
                             {"--rotctld", QStringLiteral("127.0.0.1:%1").arg(rotctld.serverPort()),
                              "--pst-udp", QStringLiteral("127.0.0.1:%1").arg(pstPort),
                              "--n1mm-udp", "127.0.0.1:0", "--n1mm-heading",
                              QStringLiteral("127.0.0.1:%1").arg(headings.localPort())}),
        QString());
    const quint16 n1mmPort = station.doorPort(QStringLiteral("N1MM UDP"));
    QVERIFY(n1mmPort != 0);
    QCOMPARE(station.doorPort(QStringLiteral("PstRotator UDP")), pstPort);
    QTRY_VERIFY_WITH_TIMEOUT(
        Station::request(QStringLiteral("TBox"))
            .contains(QStringLiteral("DOORS: cannot listen on 127.0.0.1 port %1 (rotctld)")
                          .arg(rotctld.serverPort())),
        kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(Station::position().first, 10, kWaitMs);

    // From a socket of its own, as QLog sends: answers go to port + 1 all the same.
    QUdpSocket logger;
    const auto toPst = [&](const QByteArray &datagram) {
        logger.writeDatagram(datagram, QHostAddress::LocalHost, pstPort);
    };
    const auto toN1mm = [&](const QByteArray &datagram) {
        logger.writeDatagram(datagram, QHostAddress::LocalHost, n1mmPort);
    };
    const QByteArray hostile[] = {
        QByteArray(),
        QByteArray(64 * 1024, 'x'),
        QByteArray("<PST><AZIMUTH>200</AZIMUTH></PST>").leftJustified(3000, ' '),
        QByteArray("\x00\xff<AZIMUTH>\x02</AZIMUTH>", 22),
        "<PST><AZIMUTH><AZIMUTH>200</AZIMUTH></AZIMUTH></PST>",
        "<PST><AZIMUTH>1e308</AZIMUTH><STOP>0</STOP><PARK>1</PARK></PST>",
        "<N1MMRotor><goazi>800</goazi></N1MMRotor>",
    };
    for (const QByteArray &datagram : hostile) {
        toPst(datagram);
        toN1mm(datagram);
    }
    toPst("<PST>AZ?</PST>");
    QVERIFY(receives(answers, "AZ:010\r"));
    // Nothing was driven: no frame but the status request reached the line.
    for (const QByteArray &line : station.simLog())
        QVERIFY2(!line.startsWith("RX \\x02AG"), line.constData());

    toPst("<PST><TRACK>0</TRACK><AZIMUTH>120.0</AZIMUTH><ELEVATION>0.0</ELEVATION></PST>");
    QTRY_COMPARE_WITH_TIMEOUT(Station::position().first, 120, kWaitMs);
    toPst("<PST>AZ?</PST>");
    QVERIFY(receives(answers, "AZ:120\r"));
    toPst("<PST>EL?</PST>");
    QVERIFY(receives(answers, "EL:0\r"));

    toN1mm("<N1MMRotor><rotor>Beam20</rotor><goazi>200.0</goazi><offset>0.0</offset>"
           "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>");
    QTRY_COMPARE_WITH_TIMEOUT(Station::position().first, 200, kWaitMs);
    QByteArrayList told;
    QVERIFY2(receives(headings, "Beam20 @ 2000", &told), told.join(" | ").constData());
    QVERIFY(Station::end(station.program()));
}

QTEST_GUILESS_MAIN(TestDoorsWithProgram)
#include "tst_doors_with_program.moc"
