// The real program and the real simulator, each in its own process, joined by config/com1 and
// driven over the link as the logbook drives it.
#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {
constexpr int kWaitMs = 20000;
const QString kBusName = QStringLiteral("org.sorvik.sorvikdde");
const QString kPath = QStringLiteral("/nomeForm");
const QString kInterface = QStringLiteral("org.sorvik.DDE");

// A 1 ms delay: the B/C driver pauses that long after each byte.
QByteArray configFor(const QByteArray &model)
{
    QByteArray lines;
    for (int profile = 0; profile < 3; ++profile)
        lines += "1\r\n9600\r\nN,8,1\r\n0 - NONE\r\n" + model + "\r\n1\r\n0\r\n";
    for (int number = 22; number <= 30; ++number)
        lines += ' ' + QByteArray::number(number) + " \r\n";
    return lines;
}

bool ownedOnTheBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kBusName).value();
}

// The first entry of `wanted` that is missing from `entries` or out of order, or none.
QString firstMissing(const QStringList &entries, const QStringList &wanted)
{
    qsizetype from = 0;
    for (const QString &entry : wanted) {
        from = entries.indexOf(entry, from);
        if (from < 0)
            return entry;
        ++from;
    }
    return {};
}
} // namespace

class TestProgramWithSim : public QObject
{
    Q_OBJECT
public slots:
    void onChanged(const QString &item, const QString &value)
    {
        if (item == u"LblDelay")
            m_lblDelay << value;
    }

private slots:
    void init();
    void cleanup();

    void pokeTurnsTheSimulatedRotor_data();
    void pokeTurnsTheSimulatedRotor();
    void stopHaltsProsistelDShortOfItsTarget();

private:
    void startStation(const QByteArray &model, int speed);
    QDBusMessage call(const QString &method, const QVariantList &args = {});
    QString request(const QString &item)
    {
        return call("Request", {item}).arguments().value(0).toString();
    }
    int reportedPosition() { return call("Position").arguments().value(0).toInt(); }
    // The simulator's log lines without their times.
    QStringList simLog() const;
    // Where the simulator's last soft stop left the rotor once it has reported it, or -1.
    int softStopReported() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_sim;
    std::unique_ptr<QProcess> m_program;
    QStringList m_lblDelay;
};

void TestProgramWithSim::init()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_sim = std::make_unique<QProcess>();
    m_program = std::make_unique<QProcess>();
    m_lblDelay.clear();
}

// Every case ends as a session does: SIGTERM to both, a clean exit, the link gone.
void TestProgramWithSim::cleanup()
{
    QDBusConnection::sessionBus().disconnect(kBusName, kPath, kInterface, "Changed", this,
                                             SLOT(onChanged(QString, QString)));
    for (QProcess *process : {m_program.get(), m_sim.get()}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        ::kill(pid_t(process->processId()), SIGTERM);
        QVERIFY(process->waitForFinished(kWaitMs));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }
    QVERIFY(!QFileInfo(m_dir->filePath("config/com1")).isSymLink());
    // The next case's program must not find this one's name still held.
    QTRY_VERIFY_WITH_TIMEOUT(!ownedOnTheBus(), kWaitMs);
}

void TestProgramWithSim::startStation(const QByteArray &model, int speed)
{
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkdir("config"));
    QFile config(dir.filePath("config/SorvikDDE.ini"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(configFor(model));
    config.close();
    const QString exe = dir.filePath("sorvikdde");
    QVERIFY(QFile::copy(SORVIKDDE_PATH, exe));

    // The simulator prints its slave's path once the link is in place.
    m_sim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sim->start(SORVIKDDE_SIM,
                 {"--model", QString::fromLatin1(model), "--speed", QString::number(speed),
                  "--link", dir.filePath("config/com1"), "--log", dir.filePath("sim.log")});
    QTRY_VERIFY_WITH_TIMEOUT(m_sim->canReadLine() || m_sim->state() == QProcess::NotRunning,
                             kWaitMs);
    QVERIFY(m_sim->state() == QProcess::Running);
    QVERIFY(QFileInfo(dir.filePath("config/com1")).isSymLink());

    m_program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program->start(exe, Station::doorsOff());
    QTRY_VERIFY_WITH_TIMEOUT(ownedOnTheBus() || m_program->state() == QProcess::NotRunning,
                             kWaitMs);
    QVERIFY(m_program->state() == QProcess::Running);
    QVERIFY(QDBusConnection::sessionBus().connect(kBusName, kPath, kInterface, "Changed", this,
                                                  SLOT(onChanged(QString, QString))));
}

QDBusMessage TestProgramWithSim::call(const QString &method, const QVariantList &args)
{
    // The program is another process: a blocking call cannot hold it up.
    QDBusMessage message = QDBusMessage::createMethodCall(kBusName, kPath, kInterface, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kWaitMs);
}

QStringList TestProgramWithSim::simLog() const
{
    QFile file(m_dir->filePath("sim.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList entries;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (const qsizetype space = line.indexOf(' '); space > 0)
            entries << QString::fromLatin1(line.mid(space + 1));
    }
    return entries;
}

int TestProgramWithSim::softStopReported() const
{
    static const QRegularExpression stopAt(QStringLiteral("^-- stop at (\\d+) \\(soft\\)$"));
    const QStringList log = simLog();
    const qsizetype at = log.lastIndexOf(stopAt);
    if (at < 0)
        return -1;
    const int azimuth = stopAt.match(log[at]).captured(1).toInt();
    const QString report =
        "TX \\x02A,?," + QString::number(azimuth).rightJustified(3, u'0') + ",R\\x0D";
    return log.indexOf(report, at) > at ? azimuth : -1;
}

void TestProgramWithSim::pokeTurnsTheSimulatedRotor_data()
{
    QTest::addColumn<QByteArray>("model");
    // What the program shows once it has asked for the controller's state at start-up.
    QTest::addColumn<QString>("startTBox");
    QTest::addColumn<QStringList>("logged"); // in this order, other lines between
    QTest::addColumn<QString>("label3");
    QTest::addColumn<QString>("tboxEnd");
    QTest::addColumn<int>("reported");
    QTest::addColumn<QStringList>("lblDelay"); // its changes from the poke on

    QTest::newRow("PROSISTEL D") << QByteArray("PROSISTEL D") << "STATUS => A,?,000,R\r\n"
                                 << QStringList{"RX \\x02AG977\\x0D", "RX \\x02AG060\\x0D",
                                                "-- target 60", "-- at 60",
                                                "TX \\x02A,?,060,R\\x0D"}
                                 << "060"
                                 << "A,?,060,R\r\n"
                                 << 60 << QStringList{"BUSY", "STATUS OK"};
    // Its report is the azimuth plus 70, shown as it came in Label3 and as an azimuth in TBox.
    QTest::newRow("PROSISTEL B/C")
        << QByteArray("PROSISTEL B/C") << "STATUS => "
        << QStringList{"RX \\x020\\x02060\\x0D", "-- target 60", "-- at 60", "TX 130\\x0D"} << "130"
        << "AZ: 060\r\n"
        << 60 << QStringList{};
    // No position reports: the simulator's own note says where the rotor ended.
    QTest::newRow("ROTOR-EZ") << QByteArray("ROTOR-EZ") << "STATUS => C2000 IDIOM V1.4S "
                              << QStringList{"RX AP1060;", "RX \\x0D", "RX AM1;", "-- target 60",
                                             "-- at 60"}
                              << ""
                              << "C2000 IDIOM V1.4S " << -1 << QStringList{};
    QTest::newRow("HY-GAIN") << QByteArray("HY-GAIN") << "STATUS => "
                             << QStringList{"RX AP1060\\x0D", "-- target 60", "RX \\x0A", "RX AM1;",
                                            "-- at 60"}
                             << ""
                             << "STATUS => " << -1 << QStringList{};
}

void TestProgramWithSim::pokeTurnsTheSimulatedRotor()
{
    QFETCH(QByteArray, model);
    QFETCH(QString, startTBox);
    QFETCH(QStringList, logged);
    QFETCH(QString, label3);
    QFETCH(QString, tboxEnd);
    QFETCH(int, reported);
    QFETCH(QStringList, lblDelay);

    startStation(model, 30);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(request("TBox"), startTBox, kWaitMs);
    // Signals sent ahead of that reply are queued here by now.
    QCoreApplication::processEvents();
    m_lblDelay.clear();

    QCOMPARE(call("Poke", {"Text1", "60"}).type(), QDBusMessage::ReplyMessage);
    // The first expected log entry still missing, until there is none.
    QTRY_COMPARE_WITH_TIMEOUT(firstMissing(simLog(), logged), QString(), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(request("Label3"), label3, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(request("TBox").endsWith(tboxEnd), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_lblDelay, lblDelay, kWaitMs);
    const QDBusMessage position = call("Position");
    QCOMPARE(position.arguments().value(0).toInt(), reported);
    QCOMPARE(position.arguments().value(1).toInt(), 60);
}

void TestProgramWithSim::stopHaltsProsistelDShortOfItsTarget()
{
    startStation("PROSISTEL D", 6);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(request("Label3"), QStringLiteral("000"), kWaitMs);
    call("Poke", {"Text1", "180"});
    // Moving: the simulator's stream has reached the program.
    QTRY_VERIFY_WITH_TIMEOUT(request("Label3") != u"000", kWaitMs);
    QCOMPARE(call("Stop").type(), QDBusMessage::ReplyMessage);

    // Not the soft stop the poke sent ahead of its target, at 0.
    QTRY_VERIFY_WITH_TIMEOUT(softStopReported() > 0, kWaitMs);
    const int stoppedAt = softStopReported();
    QVERIFY2(stoppedAt < 180, qPrintable(QString::number(stoppedAt)));
    const QString stopNote = "-- stop at " + QString::number(stoppedAt) + " (soft)";
    const QString report = "A,?," + QString::number(stoppedAt).rightJustified(3, u'0') + ",R";
    const QString missing =
        firstMissing(simLog(), {"RX \\x02AG180\\x0D", "-- target 180", "RX \\x02AG977\\x0D",
                                stopNote, "TX \\x02" + report + "\\x0D"});
    QVERIFY2(missing.isEmpty(),
             qPrintable(missing + " missing or out of order in:\n" + simLog().join('\n')));

    // Once that report is in, the program's azimuth holds still short of 180. It may be the last
    // streamed one: a report read in one chunk after the "A,G,R" is not taken as a position.
    QTRY_VERIFY_WITH_TIMEOUT(request("TBox").endsWith(report + "\r\n"), kWaitMs);
    const int shown = reportedPosition();
    QVERIFY2(shown > 0 && shown <= stoppedAt, qPrintable(QString::number(shown)));
    QCOMPARE(request("LblDelay"), QStringLiteral("STATUS OK"));
    // Two report intervals later nothing has moved.
    const qsizetype logLines = simLog().size();
    QTest::qWait(2500);
    QCOMPARE(reportedPosition(), shown);
    QCOMPARE(simLog().size(), logLines);
}

QTEST_GUILESS_MAIN(TestProgramWithSim)
#include "tst_program_with_sim.moc"
