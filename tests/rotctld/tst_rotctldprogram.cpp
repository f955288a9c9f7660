#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>

namespace {
constexpr int kWaitMs = 20000;
// The datagram doors stay shut: parallel tests must not meet on their default ports.
const QStringList kNoUdp = {"--pst-udp", "off", "--n1mm-udp", "off"};
} // namespace

// The executable: its options, a port it cannot have, no bus, and a clean end on signals.
class TestRotctldProgram : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void portInUse();
    void noBusAnswersAtOnce();
    void signalsEndIt_data();
    void signalsEndIt();
};

void TestRotctldProgram::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << "Unknown option 'baud'";
    QTest::newRow("port not a number") << QStringList{"--port", "abc"} << "--port wants a number";
    QTest::newRow("port too big") << QStringList{"--port", "65536"} << "--port wants a number";
    QTest::newRow("negative port") << QStringList{"--port=-1"} << "--port wants a number";
    QTest::newRow("port missing") << QStringList{"--port"} << "Missing value after '--port'";
    QTest::newRow("address") << QStringList{"--listen", "host.example"} << "--listen wants an IP";
    QTest::newRow("stray argument") << QStringList{"4533"} << "unexpected argument \"4533\"";
    QTest::newRow("door place") << QStringList{"--pst-udp", "12000"}
                                << "--pst-udp wants ADDRESS:PORT (such as 127.0.0.1:12000) or off";
    QTest::newRow("door port") << QStringList{"--rotctld", "127.0.0.1:70000"}
                               << "--rotctld wants ADDRESS:PORT";
    QTest::newRow("rotctld placed twice")
        << QStringList{"--rotctld", "127.0.0.1:0", "--port", "0"} << "give one or the other";
    QTest::newRow("every door off")
        << QStringList{"--rotctld", "off", "--pst-udp", "off", "--n1mm-udp", "off"}
        << "every door is off";
}

void TestRotctldProgram::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QProcess process;
    process.start(QStringLiteral(ROTCTLD_PATH), arguments);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestRotctldProgram::portInUse()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    QProcess process;
    process.start(QStringLiteral(ROTCTLD_PATH),
                  QStringList{QStringLiteral("--port"), QString::number(holder.serverPort())} +
                      kNoUdp);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 2);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(
                 QStringLiteral("cannot listen on 127.0.0.1 port %1").arg(holder.serverPort())),
             qPrintable(error));
}

void TestRotctldProgram::noBusAnswersAtOnce()
{
    // This test runs without a session bus: the start-up line says every command that needs
    // the program answers RPRT -6, and each does, instead of leaving the client waiting.
    QProcess process;
    process.start(QStringLiteral(ROTCTLD_PATH),
                  QStringList{QStringLiteral("--rotctld"), QStringLiteral("127.0.0.1:0")} + kNoUdp);
    QByteArray said;
    static const QRegularExpression listening(QStringLiteral("port (\\d+) \\(rotctld\\)"));
    QTRY_VERIFY_WITH_TIMEOUT(
        listening.match(QString::fromUtf8(said += process.readAllStandardError())).hasMatch(),
        kWaitMs);
    QVERIFY(said.contains("no D-Bus session bus"));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost,
                         listening.match(QString::fromUtf8(said)).captured(1).toUShort());
    client.write("p\nP 10 0\nS\n_\n\\dump_state\nK\n");
    QByteArray replies;
    QTRY_COMPARE_WITH_TIMEOUT(replies += client.readAll(),
                              QByteArray("RPRT -6\n").repeated(5) + "RPRT -11\n", kWaitMs);
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(kWaitMs));
}

void TestRotctldProgram::signalsEndIt_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestRotctldProgram::signalsEndIt()
{
    QFETCH(int, signal);

    QProcess process;
    process.start(QStringLiteral(ROTCTLD_PATH),
                  QStringList{QStringLiteral("--listen"), QStringLiteral("localhost"),
                              QStringLiteral("--port"), QStringLiteral("0")} +
                      kNoUdp);
    QByteArray error;
    QTRY_VERIFY_WITH_TIMEOUT((error += process.readAllStandardError()).contains("listening on"),
                             kWaitMs);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestRotctldProgram)
#include "tst_rotctldprogram.moc"
