// The bridge, the real program and the controller simulator, each in its own process on a private
// session bus: rotator clients' commands reach the wire in the family's bytes, the position the
// controller reported comes back, and the window shows each command as a logbook poke.
#include "tests/support/OneRecvClient.h"
#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
constexpr int kWaitMs = 20000;
constexpr auto kService = "org.sorvik.sorvikdde";
constexpr auto kPath = "/nomeForm";
constexpr auto kInterface = "org.sorvik.DDE";

// Three profiles of one model on port 1, delay 1 ms.
QByteArray profiles(const QByteArray &model)
{
    QByteArray lines;
    for (int profile = 0; profile < 3; ++profile)
        lines += "1\r\n9600\r\nN,8,1\r\n0 - NONE\r\n" + model + "\r\n1\r\n0\r\n";
    return lines;
}

QDBusReply<QString> request(const QString &item)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Request");
    call << item;
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kWaitMs);
}

// Hamlib's own network client; its output, or why it failed.
QByteArray rotctl(quint16 port, const QStringList &command)
{
    QProcess process;
    process.start(QStringLiteral("rotctl"),
                  QStringList{"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port)} + command);
    if (!process.waitForFinished(kWaitMs))
        return "rotctl did not end";
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return "rotctl failed: " + process.readAllStandardError();
    return process.readAllStandardOutput();
}

// Whether expected occurs in lines in this order, other lines between.
bool inOrder(const QByteArrayList &lines, const QByteArrayList &expected)
{
    qsizetype found = 0;
    for (const QByteArray &line : lines) {
        if (found < expected.size() && line == expected.at(found))
            ++found;
    }
    return found == expected.size();
}

} // namespace

// The values the program announces for one item, in order.
class Changes : public QObject
{
    Q_OBJECT
public:
    explicit Changes(const QString &item) : m_item(item)
    {
        QDBusConnection::sessionBus().connect(kService, kPath, kInterface, "Changed", this,
                                              SLOT(changed(QString, QString)));
    }
    QStringList values;

public slots:
    void changed(const QString &item, const QString &value)
    {
        if (item == m_item)
            values << value;
    }

private:
    QString m_item;
};

// One case's three processes in a folder of their own: the simulator on config/com1, a copy of
// the program named sorvikdde, and the bridge on a port the system picks.
class Rig
{
public:
    // Empty once all three run, else what failed.
    QString start(const QByteArray &model)
    {
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QDir().mkdir(config);
        QFile ini(config + "/SorvikDDE.ini");
        if (!ini.open(QIODevice::WriteOnly) || ini.write(profiles(model)) < 0)
            return ini.errorString();
        ini.close();

        m_sim.start(QStringLiteral(SIM_PATH),
                    {"--model", QString::fromLatin1(model), "--speed", "180", "--start", "10",
                     "--link", config + "/com1", "--log", logPath()});
        // The slave's name comes once the link is made.
        if (!m_sim.waitForReadyRead(kWaitMs))
            return "simulator: " + m_sim.readAllStandardError();

        const QString exe = m_dir.filePath(QStringLiteral("sorvikdde"));
        QFile::copy(QStringLiteral(SORVIKDDE_PATH), exe);
        m_program.start(exe, Station::doorsOff());
        QDeadlineTimer deadline(kWaitMs);
        while (!request(QStringLiteral("Label4")).isValid()) {
            if (deadline.hasExpired() || m_program.state() == QProcess::NotRunning)
                return "program: " + m_program.readAllStandardError();
            QTest::qWait(50);
        }

        // It says "listening on 127.0.0.1 port N (rotctld)".
        m_bridge.setReadChannel(QProcess::StandardError);
        m_bridge.start(QStringLiteral(ROTCTLD_PATH),
                       {"--port", "0", "--pst-udp", "off", "--n1mm-udp", "off"});
        static const QRegularExpression listening(QStringLiteral("port (\\d+) \\(rotctld\\)"));
        QByteArray said;
        while (!listening.match(QString::fromUtf8(said)).hasMatch() &&
               m_bridge.waitForReadyRead(kWaitMs))
            said += m_bridge.readAllStandardError();
        port = listening.match(QString::fromUtf8(said)).captured(1).toUShort();
        return port != 0 ? QString() : "bridge: " + said;
    }

    // The simulator's log lines without their time, from line `from` on.
    QByteArrayList log(qsizetype from = 0) const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList lines = file.readAll().split('\n');
        lines.removeLast();
        for (QByteArray &line : lines)
            line = line.mid(line.indexOf(' ') + 1);
        return lines.mid(from);
    }

    // SIGTERM to all three; true when each has exited with 0.
    bool end()
    {
        bool clean = true;
        for (QProcess *process : {&m_bridge, &m_program, &m_sim}) {
            // One that has already gone has no id: kill(0) would hit this whole process group.
            if (process->state() == QProcess::NotRunning)
                return false;
            ::kill(pid_t(process->processId()), SIGTERM);
            clean = process->waitForFinished(kWaitMs) && clean &&
                    process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        }
        return clean;
    }

    quint16 port = 0;

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("sim.log")); }

    QTemporaryDir m_dir;
    QProcess m_sim;
    QProcess m_program;
    QProcess m_bridge;
};

class TestBridgeWithProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hamlibClient_data();
    void hamlibClient();
    void oneRecvClients();
    void stopOfAFamilyWithoutOne();
};

void TestBridgeWithProgram::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("rotctl")).isEmpty(),
             "Hamlib's rotctl is missing: apt-get install libhamlib-utils");
}

void TestBridgeWithProgram::hamlibClient_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArrayList>("set");
    QTest::addColumn<QByteArrayList>("stop");

    // Prosistel D's status reply already told the start; B/C reports only after a frame.
    QTest::newRow("Prosistel D") << QByteArray("PROSISTEL D") << QByteArray("10.00\n0.00\n")
                                 << QByteArrayList{"RX \\x02AG977\\x0D", "RX \\x02AG090\\x0D",
                                                   "-- at 90"}
                                 << QByteArrayList{"RX \\x02AG977\\x0D", "-- stop at 90 (soft)"};
    QTest::newRow("Prosistel B/C") << QByteArray("PROSISTEL B/C") << QByteArray()
                                   << QByteArrayList{"RX \\x020\\x02090\\x0D", "-- at 90"}
                                   << QByteArrayList{"RX \\x020\\x0D", "-- stop at 90"};
}

void TestBridgeWithProgram::hamlibClient()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, before);
    QFETCH(QByteArrayList, set);
    QFETCH(QByteArrayList, stop);

    Rig rig;
    QCOMPARE(rig.start(model), QString());
    if (!before.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(rotctl(rig.port, {"p"}), before, kWaitMs);

    QCOMPARE(rotctl(rig.port, {"P", "90", "0"}), QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(inOrder(rig.log(), set), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(rotctl(rig.port, {"p"}), QByteArray("90.00\n0.00\n"), kWaitMs);

    const qsizetype stopFrom = rig.log().size();
    QCOMPARE(rotctl(rig.port, {"S"}), QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(inOrder(rig.log(stopFrom), stop), kWaitMs);
    QVERIFY(rig.end());
}

void TestBridgeWithProgram::oneRecvClients()
{
    Rig rig;
    QCOMPARE(rig.start("PROSISTEL D"), QString());
    // The status reply has been read once the start position is known.
    QTRY_COMPARE_WITH_TIMEOUT(rotctl(rig.port, {"p"}), QByteArray("10.00\n0.00\n"), kWaitMs);

    OneRecvClient client(rig.port);
    QVERIFY(client.connected());
    const std::pair<QByteArray, QByteArray> exchanges[] = {
        {"p\n", "10.00\n0.00\n"},
        {"+p\n", "get_pos:\nAzimuth: 10.00\nElevation: 0.00\nRPRT 0\n"}, // cqrlog
        {"\\chk_vfo\nz\np\n", "10.00\n0.00\n"}, // unknown ones answer nothing
    };
    for (const auto &[command, reply] : exchanges)
        QCOMPARE(client.ask(command), reply);

    // gpredict with Max El 0: the window shows the command as it shows a poke from the logbook.
    // A raised antenna is refused, as \dump_state promises no elevation.
    Changes text1(QStringLiteral("Text1"));
    QCOMPARE(client.ask("P 45.00 12.50\n"), QByteArray("RPRT -1\n"));
    QCOMPARE(client.ask("P 45.00 0.00\n"), QByteArray("RPRT 0\n"));
    QTRY_COMPARE_WITH_TIMEOUT(text1.values, QStringList({"45", "OK"}), kWaitMs);
    QCOMPARE(request(QStringLiteral("LblGradi")).value(), QStringLiteral("045"));
    // The simulator logs what it read on its own time: the program's OK does not wait for it.
    QTRY_VERIFY_WITH_TIMEOUT(inOrder(rig.log(), {"RX \\x02AG977\\x0D", "RX \\x02AG045\\x0D"}),
                             kWaitMs);
    QVERIFY(rig.end());
}

void TestBridgeWithProgram::stopOfAFamilyWithoutOne()
{
    // Rotor-EZ's stop is only a message box in the program: the bridge must neither open it nor
    // wait for it. A box would hold the next command back until the operator closed it.
    Rig rig;
    QCOMPARE(rig.start("ROTOR-EZ"), QString());
    OneRecvClient client(rig.port);
    QVERIFY(client.connected());
    QCOMPARE(client.ask("S\n"), QByteArray("RPRT -11\n"));
    QCOMPARE(client.ask("p\n"), QByteArray("RPRT -11\n"));

    Changes text1(QStringLiteral("Text1"));
    QCOMPARE(client.ask("P 90 0\n"), QByteArray("RPRT 0\n"));
    QTRY_COMPARE_WITH_TIMEOUT(text1.values, QStringList({"90", "OK"}), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(inOrder(rig.log(), {"RX AP1090;", "RX AM1;", "-- target 90"}),
                             kWaitMs);
    // This family never reports: the position is the one commanded.
    QCOMPARE(client.ask("p\n"), QByteArray("90.00\n0.00\n"));
    QVERIFY(rig.end());
}

QTEST_GUILESS_MAIN(TestBridgeWithProgram)
#include "tst_bridge_with_program.moc"
