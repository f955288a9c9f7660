#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Timeout = 5000;

// The program's side of the line: the slave opened raw, read without blocking.
class Slave
{
public:
    explicit Slave(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios mode{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &mode) == 0) {
            ::cfmakeraw(&mode);
            ::tcsetattr(m_fd, TCSANOW, &mode);
        }
    }
    ~Slave()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Slave(const Slave &) = delete;
    Slave &operator=(const Slave &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Everything received since clear(); a QTRY_COMPARE on it reads until the bytes are in.
    QByteArray received()
    {
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            m_received.append(buffer, n);
        return m_received;
    }
    void clear() { m_received.clear(); }

private:
    int m_fd = -1;
    QByteArray m_received;
};

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The real executable on its own pseudo-terminal, as the program meets it.
class TestSimProcess : public QObject
{
    Q_OBJECT

private slots:
    void servesItsPortUntilSignalled_data();
    void servesItsPortUntilSignalled();
    void endsWhileFlooded();
    void refusesToStart_data();
    void refusesToStart();
};

void TestSimProcess::servesItsPortUntilSignalled_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestSimProcess::servesItsPortUntilSignalled()
{
    QFETCH(int, signalNumber);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("com1");
    const QString log = dir.filePath("sim.log");
    QVERIFY(QFile::link("/nonexistent/old-slave", link)); // a stale link is replaced

    QProcess sim;
    sim.start(SORVIKDDE_SIM, {"--model", "prosistel d", "--speed", "90", "--start", "10", "--link",
                              link, "--log", log});
    QVERIFY(sim.waitForStarted(Timeout));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), Timeout);
    const QString slavePath = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(slavePath.startsWith("/dev/pts/"), qPrintable(slavePath));
    QCOMPARE(QFileInfo(link).symLinkTarget(), slavePath);

    {
        Slave slave(slavePath);
        QVERIFY(slave.isOpen());
        QVERIFY(slave.write("\002AS\r\002A?\r"));
        QTRY_COMPARE_WITH_TIMEOUT(slave.received(), QByteArray("\002A,S,R\r\002A,?,010,R\r"),
                                  Timeout);
        slave.clear();
        // The program's turn: a stop and the new target in one write.
        QVERIFY(slave.write("\002AG977\r\002AG045\r"));
        QTRY_COMPARE_WITH_TIMEOUT(slave.received(), QByteArray("\002A,G,R\r\002A,G,R\r"), Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(fileText(log).contains("-- at 45\n"), Timeout);
    }
    QTRY_VERIFY_WITH_TIMEOUT(fileText(log).contains("-- port closed\n"), Timeout);

    Slave reopened(slavePath);
    QVERIFY(reopened.isOpen());
    QVERIFY(reopened.write("\002A?\r"));
    QTRY_COMPARE_WITH_TIMEOUT(reopened.received(), QByteArray("\002A,?,045,R\r"), Timeout);

    QCOMPARE(::kill(sim.processId(), signalNumber), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sim.state(), QProcess::NotRunning, Timeout);
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    const QList<QByteArray> lines = fileText(log).split('\n');
    QCOMPARE(lines.last(), QByteArray()); // every line ends
    const QRegularExpression format(R"(^(\d+\.\d{3}) (RX|TX|--) (.+)$)");
    double previous = 0;
    QStringList rest;
    for (const QByteArray &line : lines.first(lines.size() - 1)) {
        const auto match = format.match(QString::fromLatin1(line));
        QVERIFY2(match.hasMatch(), line.constData());
        QVERIFY(match.captured(1).toDouble() >= previous);
        previous = match.captured(1).toDouble();
        rest += match.captured(2) + ' ' + match.captured(3);
    }
    const QStringList expected = {
        "RX \\x02AS\\x0D",    "TX \\x02A,S,R\\x0D",
        "RX \\x02A?\\x0D",    "TX \\x02A,?,010,R\\x0D",
        "RX \\x02AG977\\x0D", "TX \\x02A,G,R\\x0D",
        "RX \\x02AG045\\x0D", "TX \\x02A,G,R\\x0D",
        "-- target 45",       "-- at 45",
        "-- port closed",     "-- port opened",
        "RX \\x02A?\\x0D",    "TX \\x02A,?,045,R\\x0D",
    };
    qsizetype from = 0;
    for (const QString &wanted : expected) {
        from = rest.indexOf(wanted, from);
        QVERIFY2(from >= 0,
                 qPrintable(wanted + " missing or out of order in:\n" + rest.join('\n')));
    }
}

// A client that writes faster than the simulator answers does not keep a signal from ending it.
void TestSimProcess::endsWhileFlooded()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("com1");
    QProcess sim;
    sim.start(SORVIKDDE_SIM, {"--model", "DCU-1", "--link", link});
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), Timeout);
    const QByteArray slavePath = sim.readLine().trimmed();

    // Blocking writes, so the line is always full; they fail once the simulator has gone.
    const int fd = ::open(slavePath.constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios mode{};
    ::tcgetattr(fd, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(fd, TCSANOW, &mode);
    std::atomic<qint64> written = 0;
    std::thread writer([fd, &written] {
        const QByteArray flood = QByteArray("AS1;").repeated(1024);
        ssize_t n = 0;
        while ((n = ::write(fd, flood.constData(), size_t(flood.size()))) > 0 || errno == EINTR)
            written += qMax<ssize_t>(n, 0);
    });
    QTRY_VERIFY_WITH_TIMEOUT(written > 256 * 1024, Timeout);

    QCOMPARE(::kill(sim.processId(), SIGTERM), 0);
    const bool ended = sim.waitForFinished(Timeout);
    if (!ended) {
        sim.kill(); // lets the writer fail and the test report
        sim.waitForFinished(Timeout);
    }
    writer.join();
    ::close(fd);
    QVERIFY(ended);
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimProcess::refusesToStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("regularFileAtLink");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("unknown model") << QStringList{"--model", "YAESU"} << false << 2;
    QTest::newRow("regular file at the link") << QStringList{"--model", "DCU-1"} << true << 1;
}

void TestSimProcess::refusesToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, regularFileAtLink);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    const QString link = dir.filePath("com1");
    if (regularFileAtLink) {
        QFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        arguments << "--link" << link;
    }

    QProcess sim;
    sim.start(SORVIKDDE_SIM, arguments);
    QVERIFY(sim.waitForStarted(Timeout));
    QTRY_COMPARE_WITH_TIMEOUT(sim.state(), QProcess::NotRunning, Timeout);
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), exitCode);
    QVERIFY(sim.readAllStandardOutput().isEmpty());
    QVERIFY(sim.readAllStandardError().startsWith("sorvikdde-sim: "));
    if (regularFileAtLink)
        QCOMPARE(fileText(link), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_sim_process.moc"
