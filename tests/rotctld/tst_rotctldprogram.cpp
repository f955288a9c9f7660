#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include <csignal>

namespace {
constexpr int kWaitMs = 20000;
}

// The executable: its options, a port it cannot have, and a clean end on signals.
class TestRotctldProgram : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void portInUse();
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
                  {QStringLiteral("--port"), QString::number(holder.serverPort())});
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 2);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(
                 QStringLiteral("cannot listen on 127.0.0.1 port %1").arg(holder.serverPort())),
             qPrintable(error));
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
                  {QStringLiteral("--listen"), QStringLiteral("localhost"),
                   QStringLiteral("--port"), QStringLiteral("0")});
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
