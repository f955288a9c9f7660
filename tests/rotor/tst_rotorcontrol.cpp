#include "RotorRig.h"

#include "core/MainPanel.h"
#include "core/RotorProfile.h"
#include "core/Version.h"
#include "rotor/Azimuth.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorDrivers.h"
#include "rotor/RotorFamily.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeRotatorLibrary.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using Item = MainPanel::Item;

namespace {
QString w(const char *hex)
{
    return QStringLiteral("W ") + QLatin1String(hex);
}
QString p(int ms)
{
    return QStringLiteral("P %1").arg(ms);
}
const QString kCaption005 = QStringLiteral("DDE[005]\u00B0 SorvikDDE v2.3");
const QString kStopMessage =
    QStringLiteral("PLEASE SEND all info for to make the STOP COMMAND for this ROTOR");
} // namespace

// The intake, the dispatcher and the four drivers on a recording port, with pauses that wait
// for the test so their place among the writes is checked without any clock.
class TestRotorControl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void acceptance_data();
    void acceptance();
    void familyBytes_data();
    void familyBytes();
    void bcGradiSequence();
    void acknowledgement_data();
    void acknowledgement();
    void negativeDelay_data();
    void negativeDelay();
    void dispatcherRows_data();
    void dispatcherRows();
    void intakeWords_data();
    void intakeWords();
    void manualBox();
    void repeatedPokeDrivesAgain();
    void commandsDuringADriveWait();
    void textsThatSendNothingLeaveTheWaitingOne_data();
    void textsThatSendNothingLeaveTheWaitingOne();
    void pokeDuringTheStopMessageIsDrivenAfterIt();
    void stopMidDrive_data();
    void stopMidDrive();
    void stopAfterCompletedBcTurn();
    void prosistelDStop();
    void closedPort_data();
    void closedPort();
    void portLostMidDrive();
    void abandonWritesNothingMore();
    void messageBoxReentry();
    void libraryDrives_data();
    void libraryDrives();
    void libraryModelText_data();
    void libraryModelText();

private:
    void setModel(const QString &model, qint16 delay = 10);
    void poke(const QString &text) { m_panel->setText(Item::Text1, text); }
    QStringList writesOnly() const;

    QStringList m_log;
    std::unique_ptr<MainPanel> m_panel;
    RotorProfile m_profile;
    std::unique_ptr<FakeSerialPort> m_port;
    std::unique_ptr<ReentrantMessageBoxes> m_boxes;
    std::unique_ptr<CountingBeeper> m_beeper;
    std::unique_ptr<FakePauser> m_pauser;
    std::unique_ptr<RotorState> m_state;
    std::unique_ptr<FakeRotatorLibrary> m_library;
    std::unique_ptr<RotorControl> m_control;
    std::unique_ptr<QSignalSpy> m_quits;
    std::unique_ptr<QSignalSpy> m_acks;
    QStringList m_gradi;
};

void TestRotorControl::init()
{
    m_log.clear();
    m_gradi.clear();
    m_panel = std::make_unique<MainPanel>();
    m_profile = RotorProfile();
    m_port = std::make_unique<FakeSerialPort>();
    m_port->onWrite = [this](const QByteArray &bytes) {
        m_log << QStringLiteral("W ") + QString::fromLatin1(bytes.toHex(' '));
    };
    QVERIFY(m_port->setPortOpen(true));
    m_boxes = std::make_unique<ReentrantMessageBoxes>();
    m_beeper = std::make_unique<CountingBeeper>();
    m_pauser = std::make_unique<FakePauser>(m_log);
    m_state = std::make_unique<RotorState>();
    m_library = std::make_unique<FakeRotatorLibrary>();
    m_control = std::make_unique<RotorControl>(*m_panel, m_profile, *m_port, *m_boxes, *m_beeper,
                                               *m_pauser, *m_state, m_library.get());
    m_control->setModelBoxReader([] { return QStringLiteral("ARSWIN"); });
    m_quits = std::make_unique<QSignalSpy>(m_control.get(), &RotorControl::quitRequested);
    m_acks = std::make_unique<QSignalSpy>(m_control.get(), &RotorControl::ackReceived);
    connect(m_panel.get(), &MainPanel::text1Set, m_control.get(), &RotorControl::Text1_Change);
    connect(m_panel.get(), &MainPanel::textChanged, this, [this](Item item, const QString &text) {
        if (item == Item::LblGradi)
            m_gradi << text;
    });
    m_panel->setBackground(Item::LblDelay, MainPanel::kLightGreen);
}

void TestRotorControl::cleanup()
{
    m_quits.reset();
    m_acks.reset();
    m_control.reset();
    m_pauser.reset();
    m_beeper.reset();
    m_boxes.reset();
    m_port.reset();
    m_panel.reset();
}

void TestRotorControl::setModel(const QString &model, qint16 delay)
{
    m_profile.RotorModel = model;
    m_profile.RotorDelay = delay;
}

QStringList TestRotorControl::writesOnly() const
{
    QStringList out;
    for (const QString &entry : m_log)
        if (entry.startsWith(QLatin1Char('W')))
            out << entry;
    return out;
}

// One table for every driver: what each sends (the padded azimuth) or drops (empty).
void TestRotorControl::acceptance_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("azimuth");    // B/C, Rotor-EZ, Hy-Gain
    QTest::addColumn<QString>("prosistelD"); // Prosistel D
    QTest::newRow("0") << "0"
                       << "000"
                       << "000";
    QTest::newRow("00") << "00"
                        << "000"
                        << "000";
    QTest::newRow("000") << "000"
                         << "000"
                         << "000";
    QTest::newRow("7") << "7"
                       << "007"
                       << "007";
    QTest::newRow("45") << "45"
                        << "045"
                        << "045";
    QTest::newRow("359") << "359"
                         << "359"
                         << "359";
    QTest::newRow("360") << "360"
                         << ""
                         << "";
    QTest::newRow("-1") << "-1"
                        << ""
                        << "";
    QTest::newRow("1e2") << "1e2"
                         << ""
                         << "";
    QTest::newRow("12.5") << "12.5"
                          << ""
                          << "";
    QTest::newRow("leading blank") << " 45"
                                   << ""
                                   << "";
    QTest::newRow("trailing blank") << "45 "
                                    << ""
                                    << "";
    QTest::newRow("0045") << "0045"
                          << ""
                          << "";
    QTest::newRow("OK") << "OK"
                        << ""
                        << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("977") << "977"
                         << ""
                         << "977";
    QTest::newRow("999") << "999"
                         << ""
                         << "999";
    QTest::newRow("998") << "998"
                         << ""
                         << "";
    QTest::newRow("0977") << "0977"
                          << ""
                          << "";
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0664\u0665") << ""
                                         << "";
}

void TestRotorControl::acceptance()
{
    QFETCH(QString, text);
    QFETCH(QString, azimuth);
    QFETCH(QString, prosistelD);
    auto sent = [](const std::optional<Drive> &drive) {
        return drive ? drive->azimuth : QString();
    };
    qint16 delay = 10;
    QCOMPARE(acceptAzimuth(text).value_or(QString()), azimuth);
    QCOMPARE(sent(RotorDrivers::prosistelBC(text, false, delay)), azimuth);
    QCOMPARE(sent(RotorDrivers::rotorEzDcu1(text, false, delay)), azimuth);
    QCOMPARE(sent(RotorDrivers::hyGain(text, false, delay)), azimuth);
    QCOMPARE(sent(RotorDrivers::prosistelD(text, false, delay)), prosistelD);
}

// The bytes of each family with the pauses where they belong, poked over the link.
void TestRotorControl::familyBytes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("gradi");
    QTest::addColumn<int>("beeps");
    QTest::newRow("B/C 5") << "PROSISTEL B/C"
                           << "5" << QStringList{w("02"), p(10),   w("30"), p(10),   w("02"),
                                                 p(10),   w("30"), p(10),   w("30"), p(10),
                                                 w("35"), p(10),   w("0d"), p(10)}
                           << "005" << 1;
    QTest::newRow("Big-Boy B/C 45")
        << "Big-Boy B/C"
        << "45" << QStringList{w("02"), p(10),   w("30"), p(10),   w("02"), p(10),   w("30"),
                               p(10),   w("34"), p(10),   w("35"), p(10),   w("0d"), p(10)}
        << "045" << 1;
    QTest::newRow("Rotor-EZ 7") << "ROTOR-EZ"
                                << "7"
                                << QStringList{p(10), w("41 50 31 30 30 37 3b 0d"), p(10),
                                               w("41 4d 31 3b")}
                                << "007" << 2;
    QTest::newRow("DCU-1 0") << "DCU-1"
                             << "0"
                             << QStringList{p(10), w("41 50 31 30 30 30 3b 0d"), p(10),
                                            w("41 4d 31 3b")}
                             << "000" << 2;
    QTest::newRow("Hy-Gain 45") << "HY-GAIN"
                                << "45"
                                << QStringList{p(10), w("41 50 31 30 34 35 0d 0a"), p(10),
                                               w("41 4d 31 3b")}
                                << "045" << 2;
    QTest::newRow("Prosistel D 7")
        << "PROSISTEL D"
        << "7" << QStringList{w("02 41 47 39 37 37 0d"), w("02 41 47 30 30 37 0d")} << "007" << 1;
    QTest::newRow("Prosistel D 999")
        << "PROSISTEL D"
        << "999" << QStringList{w("02 41 47 39 37 37 0d"), w("02 41 47 39 39 39 0d")} << "STOP"
        << 1;
    QTest::newRow("Big-Boy D 977")
        << "BIG-BOY D"
        << "977" << QStringList{w("02 41 47 39 37 37 0d"), w("02 41 47 39 37 37 0d")} << "STOP"
        << 1;
}

void TestRotorControl::familyBytes()
{
    QFETCH(QString, model);
    QFETCH(QString, text);
    QFETCH(QStringList, log);
    QFETCH(QString, gradi);
    QFETCH(int, beeps);
    setModel(model);
    poke(text);
    // Red while a pause waits; Prosistel D never pauses and is done already.
    QCOMPARE(m_panel->background(Item::LblDelay),
             m_pauser->pending() ? MainPanel::kRed : MainPanel::kLightGreen);
    m_pauser->runAll();
    QCOMPARE(m_log, log);
    QCOMPARE(m_panel->text(Item::LblGradi), gradi);
    QCOMPARE(m_panel->caption(),
             QStringLiteral("DDE[") + gradi + QStringLiteral("]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(m_beeper->count, beeps);
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
}

void TestRotorControl::bcGradiSequence()
{
    setModel(QStringLiteral("PROSISTEL B/C"));
    poke(QStringLiteral("5"));
    m_pauser->runAll();
    QCOMPARE(m_gradi, (QStringList{"ACK", "0", "005", "0", "005", "5", "005"}));
    QCOMPARE(m_panel->caption(), kCaption005);
}

void TestRotorControl::acknowledgement_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("text1");
    QTest::newRow("B/C") << "PROSISTEL B/C"
                         << "OK";
    QTest::newRow("Rotor-EZ") << "ROTOR-EZ"
                              << "OK";
    QTest::newRow("Prosistel D") << "PROSISTEL D"
                                 << "OK";
    QTest::newRow("Hy-Gain has none") << "HY-GAIN"
                                      << "45";
}

void TestRotorControl::acknowledgement()
{
    QFETCH(QString, model);
    QFETCH(QString, text1);
    setModel(model);
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(m_panel->text(Item::Text1), text1);
    QCOMPARE(m_panel->background(Item::Text2), MainPanel::kLightGreen);
    // The acknowledgement drove nothing more.
    QVERIFY(!m_pauser->pending());
    QCOMPARE(int(m_port->writes.size()), model == u"PROSISTEL B/C" ? 7 : 2);
}

void TestRotorControl::negativeDelay_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("pauses"); // pauses of 1 ms in the log
    QTest::newRow("B/C turn") << "PROSISTEL B/C"
                              << "5" << -5 << 1 << 7;
    QTest::newRow("B/C OK keeps it") << "PROSISTEL B/C"
                                     << "OK" << -5 << -5 << 0;
    QTest::newRow("B/C junk corrects") << "PROSISTEL B/C"
                                       << "abc" << -5 << 1 << 0;
    QTest::newRow("Rotor-EZ turn") << "ROTOR-EZ"
                                   << "7" << -32768 << 1 << 2;
    QTest::newRow("Rotor-EZ OK keeps it") << "ROTOR-EZ"
                                          << "OK" << -5 << -5 << 0;
    QTest::newRow("Hy-Gain OK corrects") << "HY-GAIN"
                                         << "OK" << -5 << 1 << 0;
    QTest::newRow("Prosistel D OK corrects") << "PROSISTEL D"
                                             << "OK" << -5 << 1 << 0;
    QTest::newRow("zero stays zero") << "ROTOR-EZ"
                                     << "7" << 0 << 0 << 0;
}

void TestRotorControl::negativeDelay()
{
    QFETCH(QString, model);
    QFETCH(QString, text);
    QFETCH(int, delay);
    QFETCH(int, after);
    QFETCH(int, pauses);
    setModel(model, qint16(delay));
    poke(text);
    m_pauser->runAll();
    QCOMPARE(int(m_profile.RotorDelay), after);
    QCOMPARE(int(m_log.count(p(1))), pauses);
}

void TestRotorControl::dispatcherRows_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QStringList>("boxes");
    const QStringList none;
    const QString external =
        QStringLiteral("This rotor model like [ARSWIN] is directly implemented on SORVIK");
    QTest::newRow("prosistel d in small letters") << "prosistel d" << false << 2 << none;
    QTest::newRow("dcu-1 in small letters") << "dcu-1" << false << 2 << none;
    QTest::newRow("DEMO") << "DEMO" << false << 0 << none;
    QTest::newRow("DEMO stop") << "DEMO" << true << 0 << none;
    QTest::newRow("leading blank DEMO") << " DEMO" << false << 0 << none;
    QTest::newRow("DCU-1 with a blank") << "DCU-1 " << false << 0 << none;
    QTest::newRow("DCU-1 with a blank, stop") << "DCU-1 " << true << 0 << none;
    QTest::newRow("unknown") << "YAESU" << false << 0 << none;
    QTest::newRow("Rotor-EZ stop") << "ROTOR-EZ" << true << 0 << QStringList{kStopMessage};
    QTest::newRow("DCU-1 stop") << "DCU-1" << true << 0 << QStringList{kStopMessage};
    QTest::newRow("Hy-Gain stop") << "HY-GAIN" << true << 0 << QStringList{kStopMessage};
    QTest::newRow("ARSWIN") << "ARSWIN" << false << 0 << QStringList{external};
    QTest::newRow("sartek stop") << "sartek" << true << 0 << QStringList{external};
    QTest::newRow("IF100") << "IF100" << false << 0 << QStringList{external};
}

void TestRotorControl::dispatcherRows()
{
    QFETCH(QString, model);
    QFETCH(bool, stop);
    QFETCH(int, writes);
    QFETCH(QStringList, boxes);
    setModel(model);
    if (stop)
        m_control->MnuStop_Click();
    else
        poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(int(m_port->writes.size()), writes);
    QCOMPARE(m_boxes->texts(), boxes);
    for (const auto &box : m_boxes->boxes) {
        QCOMPARE(box.icon, MessageBoxes::Icon::Information);
        QCOMPARE(box.title, box.text == kStopMessage ? QStringLiteral("SORVIK ROTOR CONTROL")
                                                     : QString(kAppTitle));
    }
}

void TestRotorControl::intakeWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("closes");
    QTest::addColumn<quint32>("text2");
    QTest::addColumn<int>("refreshes"); // Rigenera and banner re-arm
    QTest::addColumn<int>("boxes");     // external model: a box for each dispatch
    QTest::newRow("QUIT") << "QUIT" << 1 << quint32(MainPanel::kRed) << 0 << 0;
    QTest::newRow("quit is a text") << "quit" << 0 << quint32(MainPanel::kLightGreen) << 0 << 1;
    QTest::newRow("ACK") << "ACK" << 0 << quint32(MainPanel::kLightRed) << 1 << 1;
    QTest::newRow("ack is a text") << "ack" << 0 << quint32(MainPanel::kLightGreen) << 0 << 1;
}

void TestRotorControl::intakeWords()
{
    QFETCH(QString, text);
    QFETCH(int, closes);
    QFETCH(quint32, text2);
    QFETCH(int, refreshes);
    QFETCH(int, boxes);
    setModel(QStringLiteral("IF100"));
    m_panel->setBackground(Item::Text2, MainPanel::kRed);
    m_panel->setText(Item::Text3, QStringLiteral("before"));
    m_control->MnuGO_Click();
    m_boxes->boxes.clear();
    poke(text);
    QCOMPARE(int(m_quits->count()), closes);
    QCOMPARE(m_panel->background(Item::Text2), text2);
    QCOMPARE(int(m_acks->count()), refreshes);
    QCOMPARE(int(m_boxes->boxes.size()), boxes);
    QVERIFY(m_port->writes.isEmpty());
}

void TestRotorControl::manualBox()
{
    setModel(QStringLiteral("ROTOR-EZ"));
    // Only ENTER acts.
    m_panel->setText(Item::Text3, QStringLiteral("45"));
    m_control->Text3_KeyPress('4');
    QCOMPARE(m_panel->text(Item::Text3), QStringLiteral("45"));
    QVERIFY(m_log.isEmpty());

    // " 360 " is north; the box empties.
    m_panel->setText(Item::Text3, QStringLiteral(" 360 "));
    m_control->Text3_KeyPress(13);
    m_pauser->runAll();
    QCOMPARE(writesOnly().first(), w("41 50 31 30 30 30 3b 0d"));
    QCOMPARE(m_panel->text(Item::Text3), QString());

    // GO maps nothing and keeps the text.
    m_log.clear();
    m_panel->setText(Item::Text3, QStringLiteral("360"));
    m_control->MnuGO_Click();
    m_pauser->runAll();
    QVERIFY(m_log.isEmpty());
    QCOMPARE(m_panel->text(Item::Text3), QStringLiteral("360"));

    m_panel->setText(Item::Text3, QStringLiteral("45"));
    m_control->MnuGO_Click();
    m_pauser->runAll();
    m_control->MnuGO_Click();
    m_pauser->runAll();
    QCOMPARE(int(writesOnly().count(w("41 50 31 30 34 35 3b 0d"))), 2);
}

void TestRotorControl::repeatedPokeDrivesAgain()
{
    setModel(QStringLiteral("HY-GAIN"));
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(int(m_port->writes.size()), 4);
}

void TestRotorControl::commandsDuringADriveWait()
{
    setModel(QStringLiteral("ROTOR-EZ"));
    poke(QStringLiteral("10"));
    poke(QStringLiteral("20"));
    m_panel->setText(Item::Text3, QStringLiteral("30"));
    m_control->Text3_KeyPress(13);
    poke(QStringLiteral("40"));
    // Nothing of the waiting ones reached the port; the newest of them runs next.
    m_pauser->runAll();
    QCOMPARE(writesOnly(), (QStringList{w("41 50 31 30 31 30 3b 0d"), w("41 4d 31 3b"),
                                        w("41 50 31 30 34 30 3b 0d"), w("41 4d 31 3b")}));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
}

void TestRotorControl::textsThatSendNothingLeaveTheWaitingOne_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QStringList>("writes");
    const QStringList ez{w("41 50 31 30 31 30 3b 0d"), w("41 4d 31 3b"),
                         w("41 50 31 30 32 30 3b 0d"), w("41 4d 31 3b")};
    QTest::newRow("Rotor-EZ, ACK") << "ROTOR-EZ"
                                   << "ACK" << ez;
    QTest::newRow("Rotor-EZ, OK") << "ROTOR-EZ"
                                  << "OK" << ez;
    QTest::newRow("Rotor-EZ, 977") << "ROTOR-EZ"
                                   << "977" << ez;
    QTest::newRow("Rotor-EZ, 30 replaces 20")
        << "ROTOR-EZ"
        << "30"
        << QStringList{w("41 50 31 30 31 30 3b 0d"), w("41 4d 31 3b"), w("41 50 31 30 33 30 3b 0d"),
                       w("41 4d 31 3b")};
    QTest::newRow("B/C, ACK") << "PROSISTEL B/C"
                              << "ACK" << QStringList{w("02"), w("30"), w("02"), w("30"), w("31"),
                                                      w("30"), w("0d"), w("02"), w("30"), w("02"),
                                                      w("30"), w("32"), w("30"), w("0d")};
}

void TestRotorControl::textsThatSendNothingLeaveTheWaitingOne()
{
    // The logbook's 20 is what it was told "OK" for; a text no driver sends must not drop it.
    QFETCH(QString, model);
    QFETCH(QString, third);
    QFETCH(QStringList, writes);
    setModel(model);
    poke(QStringLiteral("10"));
    poke(QStringLiteral("20"));
    poke(third);
    m_pauser->runAll();
    QCOMPARE(writesOnly(), writes);
}

void TestRotorControl::pokeDuringTheStopMessageIsDrivenAfterIt()
{
    setModel(QStringLiteral("ROTOR-EZ"));
    m_boxes->whileOpen = [this] {
        poke(QStringLiteral("30"));
        poke(QStringLiteral("45")); // the newest is kept
        QVERIFY(m_port->writes.isEmpty());
    };
    m_control->MnuStop_Click();
    m_pauser->runAll();
    QCOMPARE(writesOnly(), (QStringList{w("41 50 31 30 34 35 3b 0d"), w("41 4d 31 3b")}));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
}

void TestRotorControl::stopMidDrive_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("fired"); // pauses that ended before STOP
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("gradi");
    QTest::newRow("B/C after two bytes")
        << "PROSISTEL B/C" << 2 << QStringList{w("02"), w("30"), w("02"), w("02"), w("30"), w("0d")}
        << QStringList{} << "STOP";
    QTest::newRow("B/C after a digit")
        << "PROSISTEL B/C" << 4
        << QStringList{w("02"), w("30"), w("02"), w("31"), w("32"), w("02"), w("30"), w("0d")}
        << QStringList{} << "STOP";
    QTest::newRow("Rotor-EZ before its first write")
        << "ROTOR-EZ" << 0 << QStringList{} << QStringList{kStopMessage} << "";
    QTest::newRow("Rotor-EZ between its writes")
        << "ROTOR-EZ" << 1 << QStringList{w("41 50 31 31 32 30 3b 0d")} << QStringList{kStopMessage}
        << "120";
    QTest::newRow("Hy-Gain between its writes")
        << "HY-GAIN" << 1 << QStringList{w("41 50 31 31 32 30 0d 0a")} << QStringList{kStopMessage}
        << "120";
}

void TestRotorControl::stopMidDrive()
{
    QFETCH(QString, model);
    QFETCH(int, fired);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, boxes);
    QFETCH(QString, gradi);
    setModel(model);
    poke(QStringLiteral("120"));
    for (int i = 0; i < fired; ++i)
        QVERIFY(m_pauser->fire());
    poke(QStringLiteral("200")); // waits, and the stop drops it
    m_control->MnuStop_Click();
    m_pauser->runAll();
    QCOMPARE(writesOnly(), writes);
    QCOMPARE(m_boxes->texts(), boxes);
    QCOMPARE(m_panel->text(Item::LblGradi), gradi);
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
}

void TestRotorControl::stopAfterCompletedBcTurn()
{
    setModel(QStringLiteral("PROSISTEL B/C"));
    poke(QStringLiteral("5"));
    m_pauser->runAll();
    m_log.clear();
    m_beeper->count = 0;
    m_control->MnuStop_Click();
    m_pauser->runAll();
    QCOMPARE(m_log, (QStringList{w("02"), p(10), w("30"), p(10), w("0d"), p(10)}));
    QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("STOP"));
    QCOMPARE(m_panel->caption(), QStringLiteral("DDE[STOP]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
    QCOMPARE(m_beeper->count, 1);
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
}

void TestRotorControl::prosistelDStop()
{
    setModel(QStringLiteral("big-boy d"), 5000);
    poke(QStringLiteral("45"));
    m_log.clear();
    m_control->MnuStop_Click();
    QCOMPARE(m_log, (QStringList{w("02 41 47 39 37 37 0d")}));
    QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("STOP"));
    QCOMPARE(m_panel->caption(), QStringLiteral("DDE[STOP]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
    // The stop is over: the next command is a turn again, led by the stop frame.
    m_log.clear();
    poke(QStringLiteral("90"));
    QCOMPARE(m_log, (QStringList{w("02 41 47 39 37 37 0d"), w("02 41 47 30 39 30 0d")}));
}

void TestRotorControl::closedPort_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("gradi");
    QTest::newRow("B/C") << "PROSISTEL B/C"
                         << "PROSISTEL CMD ROTOR ERROR v2.3"
                         << "ACK";
    QTest::newRow("Prosistel D") << "PROSISTEL D"
                                 << "PROSISTEL CMD ROTOR ERROR v2.3"
                                 << "ACK";
    QTest::newRow("Rotor-EZ") << "ROTOR-EZ"
                              << "ROTOR-EZ/DCU1 CMD ROTOR ERROR v2.3"
                              << "";
    QTest::newRow("Hy-Gain") << "HY-GAIN"
                             << "ROTOR-EZ/DCU1-HyGain CMD ROTOR ERROR v2.3"
                             << "";
}

void TestRotorControl::closedPort()
{
    QFETCH(QString, model);
    QFETCH(QString, failure);
    QFETCH(QString, gradi);
    setModel(model);
    QVERIFY(m_port->setPortOpen(false));
    const QString tboxBefore = m_panel->text(Item::TBox);
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QVERIFY(m_port->writes.isEmpty());
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kRed);
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("45"));
    QCOMPARE(m_panel->text(Item::LblGradi), gradi);
    QCOMPARE(m_beeper->count, 0);
    QVERIFY(m_boxes->boxes.isEmpty());
    const QString added = m_panel->text(Item::TBox).mid(tboxBefore.size());
    QVERIFY2(added.startsWith(failure), qPrintable(added));
    QVERIFY(added.endsWith(QStringLiteral("\r\n")));
    // The failed drive is over: the next command runs.
    QVERIFY(m_port->setPortOpen(true));
    poke(QStringLiteral("46"));
    m_pauser->runAll();
    QVERIFY(!m_port->writes.isEmpty());
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
}

void TestRotorControl::portLostMidDrive()
{
    setModel(QStringLiteral("PROSISTEL B/C"));
    poke(QStringLiteral("45"));
    QVERIFY(m_pauser->fire());
    poke(QStringLiteral("90")); // waits
    m_port->pull();
    m_pauser->runAll();
    // The failure ends the turn at its third byte; the waiting command then finds no port either.
    QCOMPARE(writesOnly(), (QStringList{w("02"), w("30")}));
    QCOMPARE(int(m_panel->text(Item::TBox).count(QStringLiteral("PROSISTEL CMD ROTOR ERROR v2.3"))),
             2);
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kRed);
}

void TestRotorControl::abandonWritesNothingMore()
{
    setModel(QStringLiteral("PROSISTEL B/C"));
    poke(QStringLiteral("45"));
    QVERIFY(m_pauser->fire());
    poke(QStringLiteral("90"));
    m_control->abandon();
    m_pauser->runAll();
    QCOMPARE(writesOnly(), (QStringList{w("02"), w("30")}));
    QVERIFY(!m_pauser->pending());
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("90"));
}

void TestRotorControl::messageBoxReentry()
{
    // A poke and a second stop while the stop message is open: the poke drives at once,
    // the second box is not stacked on the first.
    setModel(QStringLiteral("ROTOR-EZ"));
    m_boxes->whileOpen = [this] {
        poke(QStringLiteral("45"));
        m_control->MnuStop_Click();
    };
    m_control->MnuStop_Click();
    QCOMPARE(m_boxes->texts(), QStringList{kStopMessage});
    m_pauser->runAll();
    QCOMPARE(writesOnly(), (QStringList{}));
    // The inner stop abandoned the inner drive before it wrote; the next poke drives.
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(writesOnly().size(), 2);
}

// A library family: each command waits for the library's answer, "OK" only once it is taken,
// the newest command waiting meanwhile goes next, and a model without a stop gets the message.
void TestRotorControl::libraryDrives_data()
{
    QTest::addColumn<QStringList>("commands"); // pokes; "STOP" is the menu's stop
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("gradi");
    QTest::addColumn<quint32>("light");
    QTest::addColumn<int>("commanded");
    QTest::newRow("taken") << QStringList{"45"} << QList<bool>{true} << QStringList{"set 45"}
                           << "OK"
                           << "045" << MainPanel::kLightGreen << 45;
    QTest::newRow("refused") << QStringList{"45"} << QList<bool>{false} << QStringList{"set 45"}
                             << "45"
                             << "045" << MainPanel::kRed << 45;
    QTest::newRow("newest waiting goes next")
        << QStringList{"10", "20", "30"} << QList<bool>{true, true}
        << QStringList{"set 10", "set 30"} << "OK"
        << "030" << MainPanel::kLightGreen << 30;
    QTest::newRow("not an azimuth")
        << QStringList{"360", "OK", "ACK"} << QList<bool>{} << QStringList{} << "ACK"
        << "" << MainPanel::kLightGreen << -1;
    QTest::newRow("stop") << QStringList{"STOP"} << QList<bool>{true} << QStringList{"stop"} << "OK"
                          << "STOP" << MainPanel::kLightGreen << -1;
    QTest::newRow("stop ends the drive waiting for its answer")
        << QStringList{"90", "STOP"} << QList<bool>{true, true} << QStringList{"set 90", "stop"}
        << "OK"
        << "STOP" << MainPanel::kLightGreen << 90;
}

void TestRotorControl::libraryDrives()
{
    QFETCH(QStringList, commands);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, text1);
    QFETCH(QString, gradi);
    QFETCH(quint32, light);
    QFETCH(int, commanded);
    RotorFamily::setLibraryModels({{603, "Yaesu", "GS-232B", {}, true}});
    setModel(QStringLiteral("HAMLIB 603 YAESU GS-232B"));
    for (const QString &command : commands) {
        if (command == u"STOP")
            m_control->MnuStop_Click();
        else
            poke(command);
    }
    for (bool ok : answers)
        QVERIFY(m_library->answer(ok));
    QVERIFY(!m_library->answer(true));
    QCOMPARE(m_library->asked, asked);
    QCOMPARE(m_panel->text(Item::Text1), text1);
    QCOMPARE(m_panel->text(Item::LblGradi), gradi);
    QCOMPARE(m_panel->background(Item::LblDelay), light);
    QCOMPARE(m_state->commanded(), commanded);
    QVERIFY(m_log.isEmpty()); // nothing on the serial line
    QVERIFY(m_control->canStop());

    // The same family, a model whose backend has no stop: the message, nothing asked.
    RotorFamily::setLibraryModels({{604, "F1TE", "GS232/F1TE Tracker", {}, false}});
    setModel(QStringLiteral("HAMLIB 604"));
    m_library->asked.clear();
    m_control->MnuStop_Click();
    QVERIFY(m_library->asked.isEmpty());
    QCOMPARE(m_boxes->texts(), QStringList{kStopMessage});
    QVERIFY(!m_control->canStop());
}

// Which model texts select the library family, and the model number they carry.
void TestRotorControl::libraryModelText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number"); // -1: not the library family
    QTest::newRow("number") << "HAMLIB 603" << 603;
    QTest::newRow("with its name") << "HAMLIB 603 YAESU GS-232B" << 603;
    QTest::newRow("lower case") << "hamlib 2 netrotctl" << 2;
    QTest::newRow("no number") << "HAMLIB" << -1;
    QTest::newRow("blank, no number") << "HAMLIB " << -1;
    QTest::newRow("two blanks") << "HAMLIB  603" << -1;
    QTest::newRow("leading blank") << " HAMLIB 603" << -1;
    QTest::newRow("not a number") << "HAMLIB 60x" << -1;
    QTest::newRow("sign") << "HAMLIB -1" << -1;
    QTest::newRow("too long") << "HAMLIB 1234567" << -1;
    QTest::newRow("no blank") << "HAMLIB603" << -1;
}

void TestRotorControl::libraryModelText()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    const RotorFamily *family = RotorFamily::of(text);
    QCOMPARE(family && family->library, number >= 0);
    QCOMPARE(RotorFamily::libraryModelNumber(text).value_or(-1), number);
}

QTEST_GUILESS_MAIN(TestRotorControl)
#include "tst_rotorcontrol.moc"
