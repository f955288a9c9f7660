#include "sim/SimLog.h"
#include "sim/SimOptions.h"

#include <QtTest>

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
    QTest::addColumn<QString>("family"); // its first name
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("start");

    const auto row = [](const char *name, const QStringList &arguments, bool accepted,
                        const char *family = "PROSISTEL D", double speed = 6.0,
                        double start = 0.0) {
        QTest::newRow(name) << arguments << accepted << QString(family) << speed << start;
    };
    row("Prosistel D", {"--model", "PROSISTEL D"}, true, "PROSISTEL D");
    row("lower case", {"--model", "prosistel b/c"}, true, "PROSISTEL B/C");
    row("Big-Boy D", {"--model", "Big-Boy D"}, true, "PROSISTEL D");
    row("Big-Boy B/C", {"--model=BIG-BOY B/C"}, true, "PROSISTEL B/C");
    row("Rotor-EZ", {"--model", "rotor-ez"}, true, "ROTOR-EZ");
    row("DCU-1", {"--model", "DCU-1"}, true, "DCU-1");
    row("Hy-Gain", {"--model", "Hy-Gain"}, true, "HY-GAIN");
    row("speed and start", {"--model", "DCU-1", "--speed", "2.5", "--start", "359.5"}, true,
        "DCU-1", 2.5, 359.5);
    row("GS-232B", {"--model", "gs-232b"}, true, "GS-232B");
    row("GS-232A, K3NG", {"--model", "GS-232A", "--k3ng"}, true, "GS-232A");
    row("K3NG for a Prosistel", {"--model", "PROSISTEL D", "--k3ng"}, false);
    row("Rot2Prog, 4 pulses", {"--model", "rot2prog", "--resolution", "4"}, true, "ROT2PROG");
    row("MD-02", {"--model", "MD-02"}, true, "MD-01");
    row("resolution 3", {"--model", "ROT2PROG", "--resolution", "3"}, false);
    row("resolution for a Rot1Prog", {"--model", "ROT1PROG", "--resolution", "1"}, false);
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
    QFETCH(QString, family);
    QFETCH(double, speed);
    QFETCH(double, start);

    const SimOptions options = SimOptions::parse(QStringList{"sorvikdde-sim"} + arguments);
    QVERIFY(!options.helpRequested);
    QCOMPARE(options.error.isEmpty(), accepted);
    if (!accepted)
        return;
    QCOMPARE(options.family->name(), family);
    QCOMPARE(options.controller.degreesPerSecond, speed);
    QCOMPARE(options.controller.startAzimuth, start);
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
