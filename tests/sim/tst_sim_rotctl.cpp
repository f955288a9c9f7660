// The simulator against Hamlib's own client: rotctl drives it over a pseudo-terminal as it would
// drive the real box, and what rotctl reads back is checked against the simulator's log.
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <csignal>

namespace {

constexpr int Timeout = 20000;
constexpr double Speed = 40.0;
constexpr double Start = 10.0;

// The millisecond of the first log entry that matches, and its first capture.
struct Entry
{
    qint64 ms = -1;
    QString captured;
};

Entry find(const QByteArray &log, const QRegularExpression &pattern, qint64 fromMs = 0)
{
    static const QRegularExpression line(R"(^(\d+)\.(\d{3}) (.*)$)");
    for (const QByteArray &text : log.split('\n')) {
        const auto parts = line.match(QString::fromLatin1(text));
        if (!parts.hasMatch())
            continue;
        const qint64 ms = parts.captured(1).toLongLong() * 1000 + parts.captured(2).toInt();
        const auto match = pattern.match(parts.captured(3));
        if (ms >= fromMs && match.hasMatch())
            return {ms, match.captured(1)};
    }
    return {};
}

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSimRotctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rotctlTurnsAndStopsIt_data();
    void rotctlTurnsAndStopsIt();

private:
    // Sends rotctl's "p" and returns the azimuth it prints, or NaN.
    double position(QProcess &rotctl);

    QString m_rotctl;
};

void TestSimRotctl::initTestCase()
{
    m_rotctl = QStandardPaths::findExecutable(QStringLiteral("rotctl"));
    QVERIFY2(!m_rotctl.isEmpty(),
             "rotctl is not on the PATH: install Debian's libhamlib-utils (scripts/setup does)");
}

double TestSimRotctl::position(QProcess &rotctl)
{
    static const QRegularExpression azimuth(R"(Azimuth: (-?\d+\.\d+)\n)");
    rotctl.readAll(); // the prompts of the commands before
    rotctl.write("p\n");
    QByteArray out;
    QRegularExpressionMatch match;
    const bool answered = QTest::qWaitFor(
        [&] {
            out += rotctl.readAll();
            match = azimuth.match(QString::fromLatin1(out));
            return match.hasMatch();
        },
        Timeout);
    return answered ? match.captured(1).toDouble() : std::nan("");
}

void TestSimRotctl::rotctlTurnsAndStopsIt_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("hamlibModel");
    QTest::addColumn<QString>("baud");
    QTest::newRow("GS-232B as Hamlib 603") << "GS-232B"
                                           << "603"
                                           << "9600";
    QTest::newRow("Rot2Prog as Hamlib 901") << "ROT2PROG"
                                            << "901"
                                            << "600";
}

void TestSimRotctl::rotctlTurnsAndStopsIt()
{
    QFETCH(QString, model);
    QFETCH(QString, hamlibModel);
    QFETCH(QString, baud);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("com1");
    const QString log = dir.filePath("sim.log");
    QProcess sim;
    sim.start(SORVIKDDE_SIM, {"--model", model, "--speed", QString::number(Speed), "--start",
                              QString::number(Start), "--link", link, "--log", log});
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine() || sim.state() == QProcess::NotRunning, Timeout);
    QVERIFY(QFileInfo(link).isSymLink());

    QProcess rotctl;
    rotctl.start(m_rotctl, {"-m", hamlibModel, "-r", link, "-s", baud});
    QVERIFY(rotctl.waitForStarted(Timeout));
    const auto context = [&] {
        return "rotctl said: " + rotctl.readAllStandardError() + "\nthe simulator's log:\n" +
               fileText(log);
    };

    // Turning, then stopped short of its target where the log says, and still there.
    rotctl.write("P 300 0\n");
    const double moving = position(rotctl);
    QVERIFY2(moving >= Start && moving <= 300, context().constData());
    rotctl.write("S\n");
    const double stopped = position(rotctl);
    QVERIFY2(stopped >= moving && stopped < 300, context().constData());
    QCOMPARE(position(rotctl), stopped);

    // At the set speed: the stop where the time since the set puts it.
    const QByteArray first = fileText(log);
    const Entry target = find(first, QRegularExpression("^-- target (300)$"));
    const Entry stop = find(first, QRegularExpression(R"(^-- stop at (\d+)$)"));
    QVERIFY2(target.ms >= 0 && stop.ms >= target.ms, context().constData());
    const int stopAt = stop.captured.toInt();
    const double expected = Start + Speed * double(stop.ms - target.ms) / 1000.0;
    QVERIFY2(std::abs(stopAt - expected) <= 1.0, context().constData());
    QVERIFY2(std::abs(stopped - stopAt) <= 1.0, context().constData());

    // Another turn, taking as long as the speed says, and its end read back.
    rotctl.write("P 123 0\n");
    QTRY_COMPARE_WITH_TIMEOUT(position(rotctl), 123.0, Timeout);
    const QByteArray second = fileText(log);
    const Entry again = find(second, QRegularExpression("^-- target (123)$"), stop.ms);
    const Entry arrived = find(second, QRegularExpression("^-- at (123)$"), again.ms);
    QVERIFY2(again.ms > 0 && arrived.ms > again.ms, context().constData());
    const double seconds = std::abs(123 - stopAt) / Speed;
    QVERIFY2(std::abs(double(arrived.ms - again.ms) / 1000.0 - seconds) <= 1.0 / Speed,
             context().constData());

    rotctl.write("q\n");
    rotctl.closeWriteChannel();
    QVERIFY(rotctl.waitForFinished(Timeout));
    ::kill(pid_t(sim.processId()), SIGTERM);
    QVERIFY(sim.waitForFinished(Timeout));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimRotctl)
#include "tst_sim_rotctl.moc"
