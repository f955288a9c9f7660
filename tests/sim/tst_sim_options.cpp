#include "sim/SimLog.h"
#include "sim/SimOptions.h"

#include <QtTest>

using Family = ControllerModel::Family;

// The command line a user types and the log lines a user or a test reads.
class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void logLine_data();
    void logLine();
};

void TestSimOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<Family>("family");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("start");

    const auto row = [](const char *name, const QStringList &arguments, bool accepted,
                        Family family = Family::ProsistelD, double speed = 6.0,
                        double start = 0.0) {
        QTest::newRow(name) << arguments << accepted << family << speed << start;
    };
    row("Prosistel D", {"--model", "PROSISTEL D"}, true, Family::ProsistelD);
    row("lower case", {"--model", "prosistel b/c"}, true, Family::ProsistelBC);
    row("Big-Boy D", {"--model", "Big-Boy D"}, true, Family::ProsistelD);
    row("Big-Boy B/C", {"--model=BIG-BOY B/C"}, true, Family::ProsistelBC);
    row("Rotor-EZ", {"--model", "rotor-ez"}, true, Family::RotorEz);
    row("DCU-1", {"--model", "DCU-1"}, true, Family::Dcu1);
    row("Hy-Gain", {"--model", "Hy-Gain"}, true, Family::HyGain);
    row("speed and start", {"--model", "DCU-1", "--speed", "2.5", "--start", "359.5"}, true,
        Family::Dcu1, 2.5, 359.5);
    row("no model", {}, false);
    row("unknown model", {"--model", "YAESU"}, false);
    row("speed 0", {"--model", "DCU-1", "--speed", "0"}, false);
    row("speed with a comma", {"--model", "DCU-1", "--speed", "6,5"}, false);
    row("infinite speed", {"--model", "DCU-1", "--speed", "inf"}, false);
    row("start above 360", {"--model", "DCU-1", "--start", "361"}, false);
    row("negative start", {"--model", "DCU-1", "--start", "-1"}, false);
    row("stray argument", {"--model", "DCU-1", "/dev/pts/3"}, false);
    row("link without a value", {"--model", "DCU-1", "--link"}, false);
}

void TestSimOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(Family, family);
    QFETCH(double, speed);
    QFETCH(double, start);

    const SimOptions options = SimOptions::parse(QStringList{"sorvikdde-sim"} + arguments);
    QVERIFY(!options.helpRequested);
    QCOMPARE(options.error.isEmpty(), accepted);
    if (!accepted)
        return;
    QCOMPARE(options.family, family);
    QCOMPARE(options.degreesPerSecond, speed);
    QCOMPARE(options.startAzimuth, start);
}

void TestSimOptions::logLine_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<SimEvent>("event");
    QTest::addColumn<QByteArray>("line");

    using Kind = SimEvent::Kind;
    QTest::newRow("Prosistel D frame") << 1234LL
                                       << SimEvent{Kind::Received,
                                                   "\x02"
                                                   "A?\r",
                                                   {}}
                                       << QByteArray("1.234 RX \\x02A?\\x0D\n");
    QTest::newRow("banner keeps its blank") << 0LL << SimEvent{Kind::Sent, "C2000 IDIOM V1.4S ", {}}
                                            << QByteArray("0.000 TX C2000 IDIOM V1.4S \n");
    QTest::newRow("backslash and high bytes")
        << 61005LL << SimEvent{Kind::Received, QByteArray("a\\b\x7f\xff\x00~", 7), {}}
        << QByteArray("61.005 RX a\\\\b\\x7F\\xFF\\x00~\n");
    QTest::newRow("note") << 7LL << SimEvent{Kind::Note, {}, "at 45"}
                          << QByteArray("0.007 -- at 45\n");
    QTest::newRow("note with bytes") << 999LL << SimEvent{Kind::Note, "\n", "not sent:"}
                                     << QByteArray("0.999 -- not sent: \\x0A\n");
}

void TestSimOptions::logLine()
{
    QFETCH(qint64, ms);
    QFETCH(SimEvent, event);
    QFETCH(QByteArray, line);
    QCOMPARE(SimLog::line(ms, event), line);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_sim_options.moc"
