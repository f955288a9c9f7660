// The real program driving a simulated GS-232B and a simulated SPID Rot2Prog through libhamlib,
// each in its own process: libhamlib's bytes reach the controller, its positions come back into
// Label3 and Position(), and a controller that dies mid-drive is one line and COM OFF, until ACK
// opens the rotator again.
#include "tests/support/Station.h"

#include <QDBusMessage>
#include <QTest>

#include <csignal>

class TestHamlibSim : public QObject
{
    Q_OBJECT
private slots:
    void turnsAndComesBackAfterTheControllerDies_data();
    void turnsAndComesBackAfterTheControllerDies();
};

void TestHamlibSim::turnsAndComesBackAfterTheControllerDies_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("baud");
    QTest::addColumn<QString>("simModel");
    QTest::newRow("GS-232B") << QByteArray("HAMLIB 603 YAESU GS-232B") << QByteArray("9600")
                             << "GS-232B";
    QTest::newRow("Rot2Prog") << QByteArray("HAMLIB 901 SPID ROT2PROG") << QByteArray("600")
                              << "ROT2PROG";
}

void TestHamlibSim::turnsAndComesBackAfterTheControllerDies()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, baud);
    QFETCH(QString, simModel);
    const QStringList simArguments{"--model", simModel, "--speed", "30"};
    Station station;
    QCOMPARE(station.writeConfig(model, baud), QString());
    QCOMPARE(station.startSim(SORVIKDDE_SIM, simArguments), QString());
    QCOMPARE(station.startProgram(SORVIKDDE_PATH), QString());
    const auto request = [](const char *item) { return Station::request(item); };

    Station::call("Poke", {"Text1", "60"});
    QTRY_VERIFY_WITH_TIMEOUT(station.simLog().contains("-- at 60"), Station::kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(Station::position(), std::make_pair(60, 60), Station::kWaitMs);
    QCOMPARE(request("Label3"), QStringLiteral("060"));
    QCOMPARE(request("Text1"), QStringLiteral("OK"));
    QTRY_COMPARE_WITH_TIMEOUT(request("LblDelay"), QStringLiteral("STATUS OK"), Station::kWaitMs);

    // The controller dies in the middle of a turn: one line, COM OFF, the link still answers.
    Station::call("Poke", {"Text1", "300"});
    QTRY_VERIFY_WITH_TIMEOUT(Station::position().first > 65, Station::kWaitMs);
    ::kill(pid_t(station.sim().processId()), SIGKILL);
    QVERIFY(station.sim().waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(request("TxtCom"), QStringLiteral("COM OFF"), Station::kWaitMs);
    QTest::qWait(1500);
    const QStringList lines = request("TBox").split("\r\n").filter("HAMLIB:");
    QVERIFY2(lines.size() == 1 && lines.first().startsWith("COM PORT LOST (HAMLIB: "),
             qPrintable(lines.join('\n')));

    // Back on a new line behind the same link; the logbook's ACK opens the rotator again.
    QFile::remove(station.path("config/com1"));
    QCOMPARE(station.startSim(SORVIKDDE_SIM, simArguments), QString());
    Station::call("Poke", {"Text1", "ACK"});
    Station::call("Poke", {"Text1", "20"});
    QTRY_COMPARE_WITH_TIMEOUT(Station::position(), std::make_pair(20, 20), Station::kWaitMs);
    QVERIFY(Station::end(station.program()));
}

QTEST_GUILESS_MAIN(TestHamlibSim)
#include "tst_hamlib_sim.moc"
