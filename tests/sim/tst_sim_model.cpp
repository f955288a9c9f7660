#include "sim/ControllerModel.h"
#include "sim/SimOptions.h"

#include <QRandomGenerator>
#include <QtTest>

// "\002" is STX, written with three octal digits so that a digit after it stays a digit.

namespace {

QByteArray sent(const SimEvents &events)
{
    QByteArray bytes;
    for (const SimEvent &event : events) {
        if (event.kind == SimEvent::Kind::Sent)
            bytes += event.bytes;
    }
    return bytes;
}

// A controller at 6 degrees a second, set up as the command line "--model MODEL [--OPTION
// [VALUE]]..." does: the family is the model name, options may follow as in "GS-232B --k3ng".
ControllerModel controller(const QString &family, double start)
{
    const QStringList parts = family.split(QStringLiteral(" --"));
    QStringList arguments{"sorvikdde-sim", "--model", parts.first()};
    for (const QString &option : parts.sliced(1))
        arguments += ("--" + option).split(' ');
    SimOptions options = SimOptions::parse(arguments);
    if (!options.error.isEmpty())
        qFatal("%s: %s", qPrintable(family), qPrintable(options.error));
    options.controller.startAzimuth = start;
    return ControllerModel(*options.family, options.controller);
}

// Binary frames written as hex bytes, blanks between them.
QByteArray hex(const char *bytes)
{
    return QByteArray::fromHex(bytes);
}

// SPID frames: status, stop, and sets as Hamlib 4.5.4 writes them.
constexpr char Status[] = "57 00 00 00 00 00 00 00 00 00 00 1F 20";
constexpr char Stop[] = "57 00 00 00 00 00 00 00 00 00 00 0F 20";
// Rot2Prog, PH=PV=2: az 123.4 (truncated to 123), el 0.
constexpr char Set123[] = "57 30 39 36 36 02 30 37 32 30 02 2F 20";
// Rot1Prog: az 123.
constexpr char Set123Rot1[] = "57 34 38 33 30 00 00 00 00 00 00 2F 20";

QStringList notes(const SimEvents &events)
{
    QStringList texts;
    for (const SimEvent &event : events) {
        if (event.kind == SimEvent::Kind::Note)
            texts += event.text;
    }
    return texts;
}

} // namespace

// The bytes of each family against a model driven by a hand-set clock, at 6 degrees a second.
class TestSimModel : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void turns_data();
    void turns();
    void stops_data();
    void stops();
    void prosistelDStopThenNewTarget();
    void prosistelDStreamsUntilMonitoringOff();
    void prosistelBCReportsWhileTurning();
    void wakesOnlyWhileTurning();
    void hostileBytes_data();
    void hostileBytes();
};

void TestSimModel::answers_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("start");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const char *family, double start, const QByteArray &input,
                        const QByteArray &expected) {
        QTest::newRow(name) << QString(family) << start << input << expected;
    };
    const char *gr = "\002A,G,R\r";
    const char *error = "\002A,?,E,00001\r";
    const char *d = "PROSISTEL D";
    row("D position", d, 123, "\002A?\r", "\002A,?,123,R\r");
    row("D position, no STX", d, 5, "A?\r", "\002A,?,005,R\r");
    row("D target", d, 0, "\002AG045\r", gr);
    row("D target without zeros", d, 0, "\002AG45\r", gr);
    row("D target 360", d, 0, "AG360\r", gr);
    row("D target 361", d, 0, "AG361\r", error);
    row("D four digits", d, 0, "AG0045\r", error);
    row("D no digits", d, 0, "AG\r", error);
    row("D stops when idle", d, 0, "AG977\rAG999\rAG997\r", "\002A,G,R\r\002A,G,R\r\002A,G,R\r");
    row("D monitoring off", d, 0, "\002AS\r", "\002A,S,R\r");
    row("D lower case", d, 0, "a?\r", error);
    row("D empty frame", d, 0, "\002\r", error);
    row("D no CR yet", d, 0, "\002A?", "");
    row("D torn frame, then a query", d, 7, "\002AG0\002A?\r", "\002A,?,007,R\r");

    const char *bc = "PROSISTEL B/C";
    row("B/C turn, report +70", bc, 10, "\0020\002045\r", "080\r");
    row("B/C stop at 0", bc, 0, "\0020\r", "070\r");
    row("B/C stop at 360", bc, 360, "\0020\r", "430\r");
    row("B/C unknown frame", bc, 0, "\0021\r", "");
    row("B/C target 361", bc, 0, "\0020\002361\r", "");

    const char *ez = "ROTOR-EZ";
    row("EZ banner when idle", ez, 0, ";", "C2000 IDIOM V1.4S ");
    row("EZ status request", ez, 0, ";\r", "C2000 IDIOM V1.4S ");
    row("EZ position", ez, 7, "AI1;", ";007");
    row("EZ turn is silent", ez, 0, "AP1045;\rAM1;", "");
    row("EZ options, line ends", ez, 90, "EeJjOoSs\r\n\rAI1;\r\n", ";090");
    row("EZ query without ;", ez, 0, "AI1", "");
    row("EZ unknown command", ez, 0, "XY1;", "");

    // GS-232, as Hamlib 4.5.4's models 603/611 (B) and 601/609 (A) speak to it: W and S, each
    // followed by a lone CR on a B model, and C2 for the position.
    const char *b = "GS-232B";
    const char *refused = "?>\r\n";
    row("B Hamlib's set", b, 10, "W123 000\r\r", "");
    row("B Hamlib's stop", b, 10, "S\r\r", "");
    row("B Hamlib's position", b, 123, "C2\r", "AZ=123  EL=000\r\n");
    row("B azimuth", b, 7, "C\r", "AZ=007\r\n");
    row("B lower case, CR LF", b, 7, "c2\r\n", "AZ=007  EL=000\r\n");
    row("B LF inside", b, 7, "C\n2\r", "AZ=007  EL=000\r\n");
    row("B set, stop, speed, mode: silent", b, 10, "M045\rA\rX1\rP45\rZ\rL\rR\r", "");
    row("B M wants three digits", b, 10, "M45\r", refused);
    row("B M beyond 360", b, 10, "M361\r", refused);
    row("B W without elevation", b, 10, "W123\r", refused);
    row("B unknown", b, 10, "U\r", refused);
    row("B no CR yet", b, 10, "C2", "");
    const char *a = "GS-232A";
    row("A azimuth", a, 7, "C\r", "+0007\r\n");
    row("A Hamlib's position", a, 123, "C2\r", "+0123+0000\r\n");
    row("A no P or Z", a, 10, "P45\rZ\r", "?>\r\n?>\r\n");
    const char *k3ng = "GS-232B --k3ng";
    row("K3NG position", k3ng, 123, "C2\r", "AZ=123EL=000\r\n");
    row("K3NG Hamlib's set", k3ng, 10, "W123 000\r\r", "\r\n?>\r\n");
    row("K3NG set, stop, turn", k3ng, 10, "M045\rS\rA\rL\rR\r", "\r\n\r\n\r\n\r\n\n\r\n");
    row("K3NG speeds, modes, centre", k3ng, 10, "X1\rX4\rP45\rP36\rZ\rZ\r",
        "Speed X1\r\nSpeed X4\r\nMode 450 degree\r\nMode 360 degree\r\nS Center\r\nN Center\r\n");
    row("K3NG A replies", "GS-232A --k3ng", 123, "C\rC2\r", "+0123\r\n+0123+0000\r\n");

    // SPID: digits in replies are byte values, H4 tenths, PH/PV the box's pulses a degree.
    const char *rot2 = "ROT2PROG";
    const QByteArray at12_5 = hex("57 03 07 02 05 02 03 06 00 00 02 20");
    row("Rot2Prog status", rot2, 12.5, hex(Status), at12_5);
    row("Rot2Prog stop when idle", rot2, 12.5, hex(Stop), at12_5);
    row("Rot2Prog Hamlib's set", rot2, 12.5, hex(Status) + hex(Set123), at12_5);
    row("Rot2Prog 1 pulse a degree", "ROT2PROG --resolution 1", 12.5, hex(Status),
        hex("57 03 07 02 00 01 03 06 00 00 01 20"));
    row("Rot2Prog 4 pulses a degree", "ROT2PROG --resolution 4", 12.25, hex(Status),
        hex("57 03 07 02 02 04 03 06 00 00 04 20"));
    row("Rot2Prog unknown command", rot2, 0, hex("57 00 00 00 00 00 00 00 00 00 00 3F 20"), "");
    row("Rot2Prog no move", rot2, 0, hex("57 02 00 00 00 00 00 00 00 00 00 14 20"), "");
    row("Rot2Prog bad end", rot2, 0, hex("57 00 00 00 00 00 00 00 00 00 00 1F 21"), "");
    row("Rot2Prog strays, then status", rot2, 12.5, hex("00 20 0D") + hex(Status), at12_5);
    row("Rot2Prog torn frame, then status", rot2, 12.5, hex("57 00 00 1F") + hex(Status), at12_5);
    row("Rot1Prog status", "ROT1PROG", 12, hex(Status), hex("57 03 07 02 20"));
    row("Rot1Prog set", "ROT1PROG", 12, hex(Set123Rot1), "");
    row("MD-01 answers a set", "MD-01", 12.5, hex(Set123), at12_5);

    for (const char *family : {"DCU-1", "HY-GAIN"})
        row((QByteArray(family) + " silent").constData(), family, 0, ";\rAI1;AP1045\r\nAM1;AS1;",
            "");
}

void TestSimModel::answers()
{
    QFETCH(QString, family);
    QFETCH(double, start);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    ControllerModel model = controller(family, start);
    QCOMPARE(sent(model.receive(input, 0)), expected);

    // Byte by byte, seconds apart, as the Prosistel B/C driver sends: the same answer.
    ControllerModel slow = controller(family, start);
    QByteArray slowSent;
    qint64 ms = 0;
    for (const char byte : input)
        slowSent += sent(slow.receive(QByteArray(1, byte), ms += 2000));
    if (!model.turning())
        QCOMPARE(slowSent, expected);
}

void TestSimModel::turns_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("start");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<bool>("turning");

    const auto row = [](const char *name, const char *family, double start, const QByteArray &input,
                        qint64 ms, double azimuth, bool turning) {
        QTest::newRow(name) << QString(family) << start << input << ms << azimuth << turning;
    };
    const char *d = "PROSISTEL D";
    row("D one second up", d, 10, "\002AG045\r", 1000, 16, true);
    row("D one ms short", d, 10, "\002AG045\r", 5833, 44.998, true);
    row("D arrives", d, 10, "\002AG045\r", 5834, 45, false);
    row("D never through north", d, 350, "AG10\r", 1000, 344, true);
    row("D down to 0", d, 3, "AG0\r", 60000, 0, false);
    row("D up to 360", d, 357, "AG360\r", 60000, 360, false);
    row("B/C", "PROSISTEL B/C", 100, "\0020\002090\r", 1000, 94, true);
    const char *ez = "ROTOR-EZ";
    row("EZ target waits for AM1", ez, 10, "AP1045;\r", 10000, 10, false);
    row("EZ AM1 starts", ez, 10, "AP1045;\rAM1;", 1000, 16, true);
    row("EZ AM1 without target", ez, 10, "AM1;", 1000, 10, false);
    row("EZ CR LF starts", ez, 10, "AP1045\r\n", 1000, 16, true);
    row("EZ target above 360", ez, 10, "AP1361\r", 1000, 10, false);
    row("DCU-1 CR does not start", "DCU-1", 10, "AP1045\r\n", 1000, 10, false);
    row("DCU-1 AM1 starts", "DCU-1", 10, "AP1045;AM1;", 1000, 16, true);
    row("HY-GAIN CR LF starts", "HY-GAIN", 10, "AP1045\r\n", 1000, 16, true);
    row("HY-GAIN as the program drives it", "HY-GAIN", 10, "AP1045\r\nAM1;", 60000, 45, false);
    const char *b = "GS-232B";
    row("B W", b, 10, "W045 000\r", 1000, 16, true);
    row("B M", b, 10, "M045\r", 1000, 16, true);
    row("B R to the end", b, 350, "R\r", 60000, 360, false);
    row("B L", b, 10, "L\r", 1000, 4, true);
    row("B X1 a quarter speed", b, 10, "X1\rM045\r", 1000, 11.5, true);
    row("B X3 mid-turn", b, 10, "M045\rX3\r", 1000, 14.5, true);
    row("B 450 mode", b, 350, "P45\rW450 000\r", 60000, 450, false);
    row("B back to 360 mode", b, 350, "P45\rM450\rP36\r", 60000, 360, false);
    row("B beyond 360 refused", b, 10, "M450\r", 1000, 10, false);
    row("A has no 450 mode", "GS-232A", 10, "P45\rM450\r", 1000, 10, false);
    row("Rot2Prog", "ROT2PROG", 10, hex(Set123), 60000, 123, false);
    row("Rot2Prog half a degree", "ROT2PROG", 10, hex("57 30 39 36 37 02 30 37 32 30 02 2F 20"),
        60000, 123.5, false);
    // The box decodes with its own resolution, whatever PH the frame carries.
    row("Rot2Prog own resolution", "ROT2PROG --resolution 1", 10,
        hex("57 30 34 38 33 02 30 33 36 30 02 2F 20"), 60000, 123, false);
    row("Rot2Prog beyond the range", "ROT2PROG", 10, hex("57 30 36 39 38 02 30 37 32 30 02 2F 20"),
        60000, 0, false);
    row("Rot2Prog letters in H", "ROT2PROG", 10, hex("57 30 39 41 36 02 30 37 32 30 02 2F 20"),
        1000, 10, false);
    row("Rot1Prog", "ROT1PROG", 10, hex(Set123Rot1), 60000, 123, false);
    row("MD-01 moves right", "MD-01", 10, hex("57 02 00 00 00 00 00 00 00 00 00 14 20"), 1000, 16,
        true);
    row("MD-01 moves left", "MD-01", 10, hex("57 01 00 00 00 00 00 00 00 00 00 14 20"), 60000, 0,
        false);
}

void TestSimModel::turns()
{
    QFETCH(QString, family);
    QFETCH(double, start);
    QFETCH(QByteArray, input);
    QFETCH(qint64, ms);
    QFETCH(double, azimuth);
    QFETCH(bool, turning);

    ControllerModel model = controller(family, start);
    model.receive(input, 0);
    model.advanceTo(ms);
    QVERIFY2(qAbs(model.azimuth() - azimuth) < 0.01, qPrintable(QString::number(model.azimuth())));
    QCOMPARE(model.turning(), turning);
}

// A turn from 10 to 45 interrupted after one and a half seconds, at 19.
void TestSimModel::stops_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QByteArray>("turn");
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const char *family, const QByteArray &turn,
                        const QByteArray &stop, const QByteArray &expected) {
        QTest::newRow(name) << QString(family) << turn << stop << expected;
    };
    const char *stoppedD = "\002A,G,R\r\002A,?,019,R\r";
    row("D soft", "PROSISTEL D", "\002AG045\r", "\002AG977\r", stoppedD);
    row("D fast", "PROSISTEL D", "\002AG045\r", "\002AG999\r", stoppedD);
    row("D Hamlib's stop", "PROSISTEL D", "\002AG045\r", "\002AG997\r", stoppedD);
    row("B/C", "PROSISTEL B/C", "\0020\002045\r", "\0020\r", "089\r");
    row("EZ lone ;, no banner", "ROTOR-EZ", "AP1045;AM1;", ";", "");
    row("EZ status request", "ROTOR-EZ", "AP1045\r\n", ";\r", "");
    row("EZ AS1", "ROTOR-EZ", "AP1045;AM1;", "AS1;", "");
    row("DCU-1 AS1", "DCU-1", "AP1045;AM1;", "AS1;", "");
    row("DCU-1 reset", "DCU-1", "AP1045;AM1;", ";", "");
    row("HY-GAIN AS1", "HY-GAIN", "AP1045\r\nAM1;", "AS1;", "");
    row("GS-232B S", "GS-232B", "W045 000\r", "S\r", "");
    row("GS-232B A", "GS-232B", "M045\r", "A\r", "");
    row("GS-232A S", "GS-232A", "W045 000\r", "S\r", "");
    row("K3NG S", "GS-232B --k3ng", "W045 000\r", "S\r", "\r\n");
    row("Rot2Prog", "ROT2PROG", hex("57 30 38 31 30 02 30 37 32 30 02 2F 20"), hex(Stop),
        hex("57 03 07 09 00 02 03 06 00 00 02 20"));
    row("Rot1Prog", "ROT1PROG", hex("57 34 30 35 30 00 00 00 00 00 00 2F 20"), hex(Stop),
        hex("57 03 07 09 20"));
}

void TestSimModel::stops()
{
    QFETCH(QString, family);
    QFETCH(QByteArray, turn);
    QFETCH(QByteArray, stop);
    QFETCH(QByteArray, expected);

    ControllerModel model = controller(family, 10.0);
    model.receive(turn, 0);
    model.advanceTo(1499);
    QVERIFY(model.turning());
    QCOMPARE(sent(model.receive(stop, 1500)), expected);
    QVERIFY(!model.turning());
    QCOMPARE(model.nextWakeMs(), std::nullopt);
    QVERIFY(sent(model.advanceTo(60000)).isEmpty());
    QCOMPARE(model.azimuth(), 19.0);
}

// The program sends a stop and the new target at once for every turn.
void TestSimModel::prosistelDStopThenNewTarget()
{
    ControllerModel model = controller("PROSISTEL D", 100.0);
    model.receive("\002AS\r\002AG200\r", 0);
    const SimEvents events = model.receive("\002AG977\r\002AG045\r", 1000);
    QCOMPARE(sent(events), QByteArray("\002A,G,R\r\002A,G,R\r"));
    QCOMPARE(notes(events), QStringList({"stop at 106 (soft)", "target 45"}));
    model.advanceTo(1000 + 61 * 1000 / 6 + 1);
    QCOMPARE(model.azimuth(), 45.0);
}

void TestSimModel::prosistelDStreamsUntilMonitoringOff()
{
    ControllerModel model = controller("PROSISTEL D", 10.0);
    model.receive("\002AG045\r", 0);
    QCOMPARE(sent(model.receive("\002A?\r", 500)), QByteArray("\002A,?,013,B\r"));
    // One late wake-up still gives each second's report with that second's azimuth and time.
    const SimEvents late = model.advanceTo(10000);
    QCOMPARE(sent(late), QByteArray("\002A,?,016,B\r\002A,?,022,B\r\002A,?,028,B\r"
                                    "\002A,?,034,B\r\002A,?,040,B\r\002A,?,045,R\r"));
    QList<qint64> times;
    for (const SimEvent &event : late)
        times << event.ms;
    QCOMPARE(times, QList<qint64>({1000, 2000, 3000, 4000, 5000, 5834, 5834}));
    QCOMPARE(sent(model.receive("\002A?\r", 10001)), QByteArray("\002A,?,045,R\r"));

    model.receive("\002AS\r\002AG100\r", 20000);
    QCOMPARE(sent(model.advanceTo(40000)), QByteArray());
    QCOMPARE(model.azimuth(), 100.0);
}

void TestSimModel::prosistelBCReportsWhileTurning()
{
    ControllerModel model = controller("PROSISTEL B/C", 10.0);
    QCOMPARE(sent(model.receive("\0020\002045\r", 0)), QByteArray("080\r"));
    QCOMPARE(sent(model.advanceTo(10000)), QByteArray("086\r092\r098\r104\r110\r115\r"));
    QCOMPARE(sent(model.advanceTo(20000)), QByteArray());

    // Arriving on the second: one report, not a periodic one and an arrival one.
    ControllerModel onTheSecond = controller("PROSISTEL B/C", 10.0);
    onTheSecond.receive("\0020\00216\r", 0);
    QCOMPARE(sent(onTheSecond.advanceTo(5000)), QByteArray("086\r"));
}

void TestSimModel::wakesOnlyWhileTurning()
{
    ControllerModel silent = controller("ROTOR-EZ", 10.0);
    QCOMPARE(silent.nextWakeMs(), std::nullopt);
    silent.receive("AP1045\r", 0);
    QCOMPARE(silent.nextWakeMs(), std::optional<qint64>(5834)); // no reports: the arrival

    ControllerModel streaming = controller("PROSISTEL D", 10.0);
    streaming.receive("AG045\r", 0);
    QCOMPARE(streaming.nextWakeMs(), std::optional<qint64>(1000));
    streaming.advanceTo(5500);
    QCOMPARE(streaming.nextWakeMs(), std::optional<qint64>(5834));
    streaming.advanceTo(5834);
    QCOMPARE(streaming.nextWakeMs(), std::nullopt);
}

void TestSimModel::hostileBytes_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("answer");

    QTest::newRow("D") << QString("PROSISTEL D") << QByteArray("\002A?\r")
                       << QString(R"(^\x02A,\?,\d{3},[BR]\r$)");
    QTest::newRow("B/C") << QString("PROSISTEL B/C") << QByteArray("\0020\r")
                         << QString(R"(^\d{3}\r$)");
    QTest::newRow("EZ") << QString("ROTOR-EZ") << QByteArray("AI1;") << QString(R"(^;\d{3}$)");
    QTest::newRow("DCU-1") << QString("DCU-1") << QByteArray("AI1;") << QString("^$");
    QTest::newRow("HY-GAIN") << QString("HY-GAIN") << QByteArray("AI1;") << QString("^$");
    QTest::newRow("GS-232B") << QString("GS-232B") << QByteArray("C2\r")
                             << QString(R"(^AZ=\d{3}  EL=000\r\n$)");
    QTest::newRow("GS-232A") << QString("GS-232A --k3ng") << QByteArray("C2\r")
                             << QString(R"(^\+0\d{3}\+0000\r\n$)");
    QTest::newRow("ROT2PROG") << QString("ROT2PROG") << hex(Status)
                              << QString(R"(^W[\x00-\x09]{4}\x02\x03\x06\x00\x00\x02 $)");
}

// Random binary, then a frame that never ends: the model stays in range, bounds what it keeps,
// and answers the next proper command.
void TestSimModel::hostileBytes()
{
    QFETCH(QString, family);
    QFETCH(QByteArray, query);
    QFETCH(QString, answer);

    ControllerModel model = controller(family, 180.0);
    QRandomGenerator random(20240501);
    qint64 ms = 0;
    for (int chunk = 0; chunk < 200; ++chunk) {
        QByteArray bytes(random.bounded(1, 300), '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        for (const SimEvent &event : model.receive(bytes, ms += 300))
            QVERIFY(event.bytes.size() <= ControllerModel::MaxFrame);
        QVERIFY(model.azimuth() >= 0.0 && model.azimuth() <= model.maximum());
    }

    const SimEvents endless = model.receive(QByteArray(10 * ControllerModel::MaxFrame, 'A'), ms);
    // Dropped as a frame without its end, or as bytes before any frame start: a note a bound.
    QVERIFY(notes(endless).size() >= 9);
    for (const SimEvent &event : endless)
        QVERIFY(event.bytes.size() <= ControllerModel::MaxFrame);

    // A line end closes whatever is left; then a command gets its usual answer.
    model.receive("\r", ms);
    const QString reply = QString::fromLatin1(sent(model.receive(query, ms + 1)));
    QVERIFY2(QRegularExpression(answer).match(reply).hasMatch(), qPrintable(reply));
}

QTEST_GUILESS_MAIN(TestSimModel)
#include "tst_sim_model.moc"
