// The real program in its own processes: one instance at a time, closing on SIGTERM with the
// position file written byte for byte, a second instance that leaves it alone.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
QByteArray demoConfig()
{
    QByteArray lines;
    for (int profile = 0; profile < 3; ++profile)
        lines += "1\r\n4800\r\nn,8,1\r\n0 - NONE\r\nDEMO\r\n1\r\n0\r\n";
    return lines;
}
} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void secondInstanceEndsAndSigtermCloses();

private:
    void start(QProcess &process);
    QTemporaryDir m_dir;
    QString m_exe;
};

void TestProgram::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_exe = m_dir.filePath(QStringLiteral("sorvikdde"));
    QVERIFY(QFile::copy(QStringLiteral(SORVIKDDE_PATH), m_exe));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("config")));
    // Port 1 points nowhere: no real device is ever opened.
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("no-such-device")),
                        m_dir.filePath(QStringLiteral("config/com1"))));
    QFile config(m_dir.filePath(QStringLiteral("config/SorvikDDE.ini")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(demoConfig());
    config.close();
    QFile pos(m_dir.filePath(QStringLiteral("config/DDEpos.ini")));
    QVERIFY(pos.open(QIODevice::WriteOnly));
    pos.write(" 1500 \r\n 3000 \r\n");
}

void TestProgram::start(QProcess &process)
{
    process.start(m_exe, {});
    QVERIFY(process.waitForStarted());
    // Without a session bus the program says so once it is set up (signals handled).
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += process.readAllStandardError()).contains("link") ||
                                 process.state() == QProcess::NotRunning,
                             20000);
    QVERIFY2(process.state() == QProcess::Running, said.constData());
}

void TestProgram::secondInstanceEndsAndSigtermCloses()
{
    const QString posPath = m_dir.filePath(QStringLiteral("config/DDEpos.ini"));
    QProcess first;
    start(first);
    QTest::qWait(300); // the first instance finishes its start-up

    // The second instance shows its message and waits for it; then it is told to end.
    QFile::remove(posPath);
    QProcess second;
    start(second);
    QTest::qWait(300);
    QCOMPARE(second.state(), QProcess::Running);
    ::kill(pid_t(second.processId()), SIGTERM);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(!QFile::exists(posPath), "the second instance wrote the position file");
    QCOMPARE(first.state(), QProcess::Running);

    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QFile pos(posPath);
    QVERIFY(pos.open(QIODevice::ReadOnly));
    QCOMPARE(pos.readAll(), QByteArray::fromHex("2031353030200D0A2033303030200D0A"));

    // Once the first has ended, a new instance starts normally.
    QProcess third;
    start(third);
    ::kill(pid_t(third.processId()), SIGINT);
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
