#include "sim/ControllerModel.h"

#include <QRandomGenerator>
#include <QtTest>

using Family = ControllerModel::Family;

namespace {

QByteArray sentBytes(const SimEvents &events)
{
    QByteArray bytes;
    for (const SimEvent &event : events) {
        if (event.kind == SimEvent::Kind::Sent)
            bytes += event.bytes;
    }
    return bytes;
}

QStringList notes(const SimEvents &events)
{
    QStringList texts;
    for (const SimEvent &event : events) {
        if (event.kind == SimEvent::Kind::Note)
            texts += event.text;
    }
    return texts;
}

const QByteArray Banner = "C2000 IDIOM V1.4S ";

} // namespace

// The bytes of each family against a model driven by a hand-set clock.
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
    QTest::addColumn<Family>("family");
    QTest::addColumn<double>("start");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray gr = "\x02"
                          "A,G,R\r";
    const QByteArray error = "\x02"
                             "A,?,E,00001\r";
    QTest::newRow("D position") << Family::ProsistelD << 123.0
                                << QByteArray("\x02"
                                              "A?\r")
                                << QByteArray("\x02"
                                              "A,?,123,R\r");
    QTest::newRow("D position, no STX, leading zeros")
        << Family::ProsistelD << 5.0 << QByteArray("A?\r")
        << QByteArray("\x02"
                      "A,?,005,R\r");
    QTest::newRow("D three-digit target") << Family::ProsistelD << 0.0
                                          << QByteArray("\x02"
                                                        "AG045\r")
                                          << gr;
    QTest::newRow("D short target") << Family::ProsistelD << 0.0
                                    << QByteArray("\x02"
                                                  "AG45\r")
                                    << gr;
    QTest::newRow("D target 360") << Family::ProsistelD << 0.0 << QByteArray("AG360\r") << gr;
    QTest::newRow("D target 361") << Family::ProsistelD << 0.0 << QByteArray("AG361\r") << error;
    QTest::newRow("D four digits") << Family::ProsistelD << 0.0 << QByteArray("AG0045\r") << error;
    QTest::newRow("D no digits") << Family::ProsistelD << 0.0 << QByteArray("AG\r") << error;
    QTest::newRow("D soft stop idle") << Family::ProsistelD << 0.0 << QByteArray("AG977\r") << gr;
    QTest::newRow("D fast stop idle") << Family::ProsistelD << 0.0 << QByteArray("AG999\r") << gr;
    QTest::newRow("D Hamlib stop idle") << Family::ProsistelD << 0.0 << QByteArray("AG997\r") << gr;
    QTest::newRow("D monitoring off") << Family::ProsistelD << 0.0
                                      << QByteArray("\x02"
                                                    "AS\r")
                                      << QByteArray("\x02"
                                                    "A,S,R\r");
    QTest::newRow("D lower case") << Family::ProsistelD << 0.0 << QByteArray("a?\r") << error;
    QTest::newRow("D empty frame") << Family::ProsistelD << 0.0 << QByteArray("\x02\r") << error;
    QTest::newRow("D frame without CR") << Family::ProsistelD << 0.0
                                        << QByteArray("\x02"
                                                      "A?")
                                        << QByteArray();
    QTest::newRow("D torn frame then query") << Family::ProsistelD << 7.0
                                             << QByteArray("\x02"
                                                           "AG0\x02"
                                                           "A?\r")
                                             << QByteArray("\x02"
                                                           "A,?,007,R\r");

    QTest::newRow("B/C turn reports +70") << Family::ProsistelBC << 10.0
                                          << QByteArray("\x02"
                                                        "0\x02"
                                                        "045\r")
                                          << QByteArray("080\r");
    QTest::newRow("B/C stop at 0") << Family::ProsistelBC << 0.0
                                   << QByteArray("\x02"
                                                 "0\r")
                                   << QByteArray("070\r");
    QTest::newRow("B/C stop at 360") << Family::ProsistelBC << 360.0
                                     << QByteArray("\x02"
                                                   "0\r")
                                     << QByteArray("430\r");
    QTest::newRow("B/C unknown frame") << Family::ProsistelBC << 0.0
                                       << QByteArray("\x02"
                                                     "1\r")
                                       << QByteArray();
    QTest::newRow("B/C target 361") << Family::ProsistelBC << 0.0
                                    << QByteArray("\x02"
                                                  "0\x02"
                                                  "361\r")
                                    << QByteArray();

    QTest::newRow("EZ banner when idle") << Family::RotorEz << 0.0 << QByteArray(";") << Banner;
    QTest::newRow("EZ status request") << Family::RotorEz << 0.0 << QByteArray(";\r") << Banner;
    QTest::newRow("EZ position") << Family::RotorEz << 7.0 << QByteArray("AI1;")
                                 << QByteArray(";007");
    QTest::newRow("EZ position 360")
        << Family::RotorEz << 360.0 << QByteArray("AI1;") << QByteArray(";360");
    QTest::newRow("EZ target and start are silent")
        << Family::RotorEz << 0.0 << QByteArray("AP1045;\rAM1;") << QByteArray();
    QTest::newRow("EZ options then position")
        << Family::RotorEz << 90.0 << QByteArray("EeJjOoSsAI1;") << QByteArray(";090");
    QTest::newRow("EZ stray line ends")
        << Family::RotorEz << 90.0 << QByteArray("\r\n\rAI1;\r\n") << QByteArray(";090");
    QTest::newRow("EZ query without end")
        << Family::RotorEz << 0.0 << QByteArray("AI1") << QByteArray();
    QTest::newRow("EZ unknown command")
        << Family::RotorEz << 0.0 << QByteArray("XY1;") << QByteArray();

    for (const Family family : {Family::Dcu1, Family::HyGain}) {
        const QByteArray name = ControllerModel::familyName(family).toLatin1();
        QTest::newRow(name + " reset silent") << family << 0.0 << QByteArray(";\r") << QByteArray();
        QTest::newRow(name + " no position query")
            << family << 0.0 << QByteArray("AI1;") << QByteArray();
        QTest::newRow(name + " turn silent")
            << family << 0.0 << QByteArray("AP1045\r\nAM1;AS1;") << QByteArray();
    }
}

void TestSimModel::answers()
{
    QFETCH(Family, family);
    QFETCH(double, start);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    ControllerModel model(family, 6.0, start);
    QCOMPARE(sentBytes(model.receive(input, 0)), expected);

    // Byte by byte, seconds apart, as the Prosistel B/C driver sends, the answer is the same.
    ControllerModel slow(family, 6.0, start);
    QByteArray slowSent;
    qint64 ms = 0;
    for (const char byte : input)
        slowSent += sentBytes(slow.receive(QByteArray(1, byte), ms += 2000));
    if (!slow.turning() && !model.turning())
        QCOMPARE(slowSent, expected);
}

void TestSimModel::turns_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<double>("start");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<bool>("turning");

    const QByteArray dTo45 = "\x02"
                             "AG045\r";
    QTest::newRow("D one second up")
        << Family::ProsistelD << 10.0 << dTo45 << 1000LL << 16.0 << true;
    QTest::newRow("D arrives") << Family::ProsistelD << 10.0 << dTo45 << 5834LL << 45.0 << false;
    QTest::newRow("D one ms short")
        << Family::ProsistelD << 10.0 << dTo45 << 5833LL << 44.998 << true;
    QTest::newRow("D never through north")
        << Family::ProsistelD << 350.0 << QByteArray("AG10\r") << 1000LL << 344.0 << true;
    QTest::newRow("D down to 0") << Family::ProsistelD << 3.0 << QByteArray("AG0\r") << 60000LL
                                 << 0.0 << false;
    QTest::newRow("D up to 360") << Family::ProsistelD << 357.0 << QByteArray("AG360\r") << 60000LL
                                 << 360.0 << false;
    QTest::newRow("B/C") << Family::ProsistelBC << 100.0
                         << QByteArray("\x02"
                                       "0\x02"
                                       "090\r")
                         << 1000LL << 94.0 << true;
    QTest::newRow("EZ target waits for AM1")
        << Family::RotorEz << 10.0 << QByteArray("AP1045;\r") << 10000LL << 10.0 << false;
    QTest::newRow("EZ AM1 starts")
        << Family::RotorEz << 10.0 << QByteArray("AP1045;\rAM1;") << 1000LL << 16.0 << true;
    QTest::newRow("EZ AM1 without target")
        << Family::RotorEz << 10.0 << QByteArray("AM1;") << 1000LL << 10.0 << false;
    QTest::newRow("EZ CR starts") << Family::RotorEz << 10.0 << QByteArray("AP1045\r") << 1000LL
                                  << 16.0 << true;
    QTest::newRow("EZ CR LF starts")
        << Family::RotorEz << 10.0 << QByteArray("AP1045\r\n") << 1000LL << 16.0 << true;
    QTest::newRow("EZ target above 360")
        << Family::RotorEz << 10.0 << QByteArray("AP1361\r") << 1000LL << 10.0 << false;
    QTest::newRow("DCU-1 CR does not start")
        << Family::Dcu1 << 10.0 << QByteArray("AP1045\r\n") << 1000LL << 10.0 << false;
    QTest::newRow("DCU-1 AM1 starts")
        << Family::Dcu1 << 10.0 << QByteArray("AP1045;AM1;") << 1000LL << 16.0 << true;
    QTest::newRow("HY-GAIN CR LF starts")
        << Family::HyGain << 10.0 << QByteArray("AP1045\r\n") << 1000LL << 16.0 << true;
    QTest::newRow("HY-GAIN as the program drives it")
        << Family::HyGain << 10.0 << QByteArray("AP1045\r\nAM1;") << 60000LL << 45.0 << false;
}

void TestSimModel::turns()
{
    QFETCH(Family, family);
    QFETCH(double, start);
    QFETCH(QByteArray, input);
    QFETCH(qint64, ms);
    QFETCH(double, azimuth);
    QFETCH(bool, turning);

    ControllerModel model(family, 6.0, start);
    model.receive(input, 0);
    model.advanceTo(ms);
    QVERIFY2(qAbs(model.azimuth() - azimuth) < 0.01, qPrintable(QString::number(model.azimuth())));
    QCOMPARE(model.turning(), turning);
}

// A turn from 10 to 45 interrupted after one and a half seconds, at 19.
void TestSimModel::stops_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<QByteArray>("turn");
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray dTurn = "\x02"
                             "AG045\r";
    const QByteArray dStopped = "\x02"
                                "A,G,R\r\x02"
                                "A,?,019,R\r";
    QTest::newRow("D soft") << Family::ProsistelD << dTurn
                            << QByteArray("\x02"
                                          "AG977\r")
                            << dStopped;
    QTest::newRow("D fast") << Family::ProsistelD << dTurn << QByteArray("AG999\r") << dStopped;
    QTest::newRow("D Hamlib's stop")
        << Family::ProsistelD << dTurn << QByteArray("AG997\r") << dStopped;
    QTest::newRow("B/C") << Family::ProsistelBC
                         << QByteArray("\x02"
                                       "0\x02"
                                       "045\r")
                         << QByteArray("\x02"
                                       "0\r")
                         << QByteArray("089\r");
    QTest::newRow("EZ lone ; stops, no banner")
        << Family::RotorEz << QByteArray("AP1045;AM1;") << QByteArray(";") << QByteArray();
    QTest::newRow("EZ status request stops")
        << Family::RotorEz << QByteArray("AP1045\r\n") << QByteArray(";\r") << QByteArray();
    QTest::newRow("EZ AS1") << Family::RotorEz << QByteArray("AP1045;AM1;") << QByteArray("AS1;")
                            << QByteArray();
    QTest::newRow("DCU-1 AS1") << Family::Dcu1 << QByteArray("AP1045;AM1;") << QByteArray("AS1;")
                               << QByteArray();
    QTest::newRow("DCU-1 reset") << Family::Dcu1 << QByteArray("AP1045;AM1;") << QByteArray(";")
                                 << QByteArray();
    QTest::newRow("HY-GAIN AS1") << Family::HyGain << QByteArray("AP1045\r\nAM1;")
                                 << QByteArray("AS1;") << QByteArray();
}

void TestSimModel::stops()
{
    QFETCH(Family, family);
    QFETCH(QByteArray, turn);
    QFETCH(QByteArray, stop);
    QFETCH(QByteArray, expected);

    ControllerModel model(family, 6.0, 10.0);
    model.receive(turn, 0);
    model.advanceTo(1499);
    QVERIFY(model.turning());
    QCOMPARE(sentBytes(model.receive(stop, 1500)), expected);
    QVERIFY(!model.turning());
    QCOMPARE(model.nextWakeMs(), std::nullopt);
    QVERIFY(sentBytes(model.advanceTo(60000)).isEmpty());
    QCOMPARE(model.azimuth(), 19.0);
}

// The program sends a stop and the new target at once for every turn.
void TestSimModel::prosistelDStopThenNewTarget()
{
    ControllerModel model(Family::ProsistelD, 6.0, 100.0);
    model.receive("\x02"
                  "AS\r\x02"
                  "AG200\r",
                  0);
    const SimEvents events = model.receive("\x02"
                                           "AG977\r\x02"
                                           "AG045\r",
                                           1000);
    QCOMPARE(sentBytes(events), QByteArray("\x02"
                                           "A,G,R\r\x02"
                                           "A,G,R\r"));
    QCOMPARE(notes(events), QStringList({"stop at 106 (soft)", "target 45"}));
    QVERIFY(model.turning());
    model.advanceTo(1000 + 61 * 1000 / 6 + 1);
    QCOMPARE(model.azimuth(), 45.0);
}

void TestSimModel::prosistelDStreamsUntilMonitoringOff()
{
    ControllerModel model(Family::ProsistelD, 6.0, 10.0);
    model.receive("\x02"
                  "AG045\r",
                  0);
    QCOMPARE(sentBytes(model.receive("\x02"
                                     "A?\r",
                                     500)),
             QByteArray("\x02"
                        "A,?,013,B\r"));
    // One late wake-up still gives each second's report with that second's azimuth.
    QCOMPARE(sentBytes(model.advanceTo(10000)), QByteArray("\x02"
                                                           "A,?,016,B\r\x02"
                                                           "A,?,022,B\r\x02"
                                                           "A,?,028,B\r\x02"
                                                           "A,?,034,B\r\x02"
                                                           "A,?,040,B\r\x02"
                                                           "A,?,045,R\r"));
    QCOMPARE(sentBytes(model.receive("\x02"
                                     "A?\r",
                                     10001)),
             QByteArray("\x02"
                        "A,?,045,R\r"));

    model.receive("\x02"
                  "AS\r\x02"
                  "AG100\r",
                  20000);
    QCOMPARE(sentBytes(model.advanceTo(40000)), QByteArray());
    QCOMPARE(model.azimuth(), 100.0);
}

void TestSimModel::prosistelBCReportsWhileTurning()
{
    ControllerModel model(Family::ProsistelBC, 6.0, 10.0);
    QCOMPARE(sentBytes(model.receive("\x02"
                                     "0\x02"
                                     "045\r",
                                     0)),
             QByteArray("080\r"));
    QCOMPARE(sentBytes(model.advanceTo(10000)), QByteArray("086\r092\r098\r104\r110\r115\r"));
    QCOMPARE(sentBytes(model.advanceTo(20000)), QByteArray());

    // Arriving on the second: one report, not a periodic one and an arrival one.
    ControllerModel onTheSecond(Family::ProsistelBC, 6.0, 10.0);
    onTheSecond.receive("\x02"
                        "0\x02"
                        "16\r",
                        0);
    QCOMPARE(sentBytes(onTheSecond.advanceTo(5000)), QByteArray("086\r"));
}

void TestSimModel::wakesOnlyWhileTurning()
{
    ControllerModel silent(Family::RotorEz, 6.0, 10.0);
    QCOMPARE(silent.nextWakeMs(), std::nullopt);
    silent.receive("AP1045\r", 0);
    QCOMPARE(silent.nextWakeMs(), std::optional<qint64>(5834)); // no reports: only the arrival

    ControllerModel streaming(Family::ProsistelD, 6.0, 10.0);
    streaming.receive("AG045\r", 0);
    QCOMPARE(streaming.nextWakeMs(), std::optional<qint64>(1000));
    streaming.advanceTo(5500);
    QCOMPARE(streaming.nextWakeMs(), std::optional<qint64>(5834));
    streaming.advanceTo(5834);
    QCOMPARE(streaming.nextWakeMs(), std::nullopt);
}

void TestSimModel::hostileBytes_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("answerEnd");

    QTest::newRow("D") << Family::ProsistelD
                       << QByteArray("\x02"
                                     "A?\r")
                       << QByteArray("\r");
    QTest::newRow("B/C") << Family::ProsistelBC
                         << QByteArray("\x02"
                                       "0\r")
                         << QByteArray("\r");
    QTest::newRow("EZ") << Family::RotorEz << QByteArray("AI1;") << QByteArray(";");
    QTest::newRow("DCU-1") << Family::Dcu1 << QByteArray("AI1;") << QByteArray();
    QTest::newRow("HY-GAIN") << Family::HyGain << QByteArray("AI1;") << QByteArray();
}

// Random binary, then a frame that never ends: the model stays in range, bounds what it keeps,
// and answers the next proper command.
void TestSimModel::hostileBytes()
{
    QFETCH(Family, family);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, answerEnd);

    ControllerModel model(family, 6.0, 180.0);
    QRandomGenerator random(20240501);
    qint64 ms = 0;
    for (int chunk = 0; chunk < 200; ++chunk) {
        QByteArray bytes(random.bounded(1, 300), '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        for (const SimEvent &event : model.receive(bytes, ms += 300))
            QVERIFY(event.bytes.size() <= ControllerModel::MaxFrame);
        QVERIFY(model.azimuth() >= 0.0 && model.azimuth() <= 360.0);
    }

    const SimEvents endless = model.receive(QByteArray(10 * ControllerModel::MaxFrame, 'A'), ms);
    QVERIFY(notes(endless).count(QStringLiteral("dropped: no end in 256 bytes")) >= 9);
    for (const SimEvent &event : endless)
        QVERIFY(event.bytes.size() <= ControllerModel::MaxFrame);

    // A line end closes whatever is left; then a command gets its usual answer.
    model.receive("\r", ms);
    const QByteArray answer = sentBytes(model.receive(query, ms + 1));
    if (answerEnd.isEmpty())
        QVERIFY(answer.isEmpty());
    else
        QVERIFY2(answer.size() >= 4 && answer.contains(answerEnd), answer.toHex(' ').constData());
}

QTEST_GUILESS_MAIN(TestSimModel)
#include "tst_sim_model.moc"
