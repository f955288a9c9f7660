// Intake, dispatch and the four drivers against a recording port and a pauser that runs when
// told: the bytes, where the pauses fall, the window's indicators, waiting and stopping.
#include "app/MainPanel.h"
#include "configuration/Configuration.h"
#include "rotor/Pauser.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorHost.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QTest>

using Item = MainPanel::Item;

namespace {
// Pauses wait until the test lets them run; each one is logged among the writes.
class ManualPauser : public Pauser
{
public:
    explicit ManualPauser(QStringList &log) : m_log(log) {}
    void after(int ms, std::function<void()> then) override
    {
        m_log << QStringLiteral("pause %1").arg(ms);
        m_pending.append(std::move(then));
    }
    bool step()
    {
        if (m_pending.isEmpty())
            return false;
        auto then = m_pending.takeFirst();
        then();
        return true;
    }
    void runAll()
    {
        while (step()) {
        }
    }
    int pending() const { return int(m_pending.size()); }

private:
    QStringList &m_log;
    QList<std::function<void()>> m_pending;
};

// A modal box: while it is "open", the test may deliver pokes, as the nested event loop would.
class ModalBoxes : public RecordingMessageBoxes
{
public:
    void show(Icon icon, const QString &text, const QString &title) override
    {
        RecordingMessageBoxes::show(icon, text, title);
        ++open;
        maxOpen = std::max(maxOpen, open);
        if (whileOpen)
            std::exchange(whileOpen, nullptr)();
        --open;
    }
    std::function<void()> whileOpen;
    int open = 0;
    int maxOpen = 0;
};

class FakeHost : public RotorHost
{
public:
    void closeProgram() override { ++closes; }
    void Rigenera() override { ++rigenera; }
    void rearmBanner() override { ++rearms; }
    QString dialogModelText() override
    {
        ++dialogReads;
        return modelBox;
    }
    int closes = 0, rigenera = 0, rearms = 0, dialogReads = 0;
    QString modelBox = QStringLiteral("ARSWIN");
};

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}
} // namespace

class TestRotorControl : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void bytesAndPauses_data();
    void bytesAndPauses();
    void acceptance_data();
    void acceptance();
    void prosistelBcShowsEachDigit();
    void acknowledgementOverTheLink();
    void hyGainWritesNoOk();
    void negativeDelay_data();
    void negativeDelay();
    void dispatcherRows_data();
    void dispatcherRows();
    void intakeWords();
    void manualBox();
    void commandDuringADriveWaitsNewestOnly();
    void stopDuringADrive_data();
    void stopDuringADrive();
    void stopAfterACompletedTurnStillSends();
    void prosistelDStop();
    void closedPortEndsTheDrive_data();
    void closedPortEndsTheDrive();
    void abandonWritesNothingMore();
    void quitDuringADrive();
    void pokeWhileTheStopMessageIsOpen();
    void pokesWhileTheModelMessageIsOpen();
    void quitWhileAMessageIsOpen();
    void writeFailsMidDrive();

private:
    void useModel(const QString &model, qint16 delay = 5);
    void poke(const QString &text) { m_panel->setText(Item::Text1, text); }
    QStringList writesAsHex() const;

    QStringList m_log;
    std::unique_ptr<MainPanel> m_panel;
    std::unique_ptr<Configuration> m_config;
    std::unique_ptr<FakeSerialPort> m_port;
    std::unique_ptr<ModalBoxes> m_boxes;
    std::unique_ptr<CountingBeeper> m_beeper;
    std::unique_ptr<ManualPauser> m_pauser;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<RotorControl> m_rotor;
};

void TestRotorControl::init()
{
    m_log.clear();
    m_panel = std::make_unique<MainPanel>();
    m_config = std::make_unique<Configuration>(QStringLiteral("/nonexistent"));
    m_port = std::make_unique<FakeSerialPort>();
    m_port->setPortOpen(true);
    m_port->onWrite = [this](const QByteArray &bytes) { m_log << hex(bytes); };
    m_boxes = std::make_unique<ModalBoxes>();
    m_beeper = std::make_unique<CountingBeeper>();
    m_pauser = std::make_unique<ManualPauser>(m_log);
    m_host = std::make_unique<FakeHost>();
    m_rotor = std::make_unique<RotorControl>(*m_panel, *m_config, *m_port, *m_boxes, *m_beeper,
                                             *m_pauser, *m_host);
    connect(m_panel.get(), &MainPanel::text1Set, m_rotor.get(), &RotorControl::Text1_Change);
}

void TestRotorControl::useModel(const QString &model, qint16 delay)
{
    m_config->activeProfile().RotorModel = model;
    m_config->activeProfile().RotorDelay = delay;
}

QStringList TestRotorControl::writesAsHex() const
{
    QStringList out;
    for (const QByteArray &bytes : m_port->writes)
        out << hex(bytes);
    return out;
}

void TestRotorControl::bytesAndPauses_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("beeps");
    QTest::newRow("B/C 5") << "PROSISTEL B/C"
                           << "5" << QStringList{"02", "pause 5", "30", "pause 5", "02", "pause 5",
                                                 "30", "pause 5", "30", "pause 5", "35", "pause 5",
                                                 "0D", "pause 5"}
                           << 1;
    QTest::newRow("Rotor-EZ 7") << "ROTOR-EZ"
                                << "7"
                                << QStringList{"pause 5", "41 50 31 30 30 37 3B 0D", "pause 5",
                                               "41 4D 31 3B"}
                                << 2;
    QTest::newRow("DCU-1 0") << "DCU-1"
                             << "0"
                             << QStringList{"pause 5", "41 50 31 30 30 30 3B 0D", "pause 5",
                                            "41 4D 31 3B"}
                             << 2;
    QTest::newRow("Hy-Gain 45") << "HY-GAIN"
                                << "45"
                                << QStringList{"pause 5", "41 50 31 30 34 35 0D 0A", "pause 5",
                                               "41 4D 31 3B"}
                                << 2;
    QTest::newRow("Prosistel D 7")
        << "PROSISTEL D"
        << "7" << QStringList{"02 41 47 39 37 37 0D", "02 41 47 30 30 37 0D"} << 1;
    QTest::newRow("Prosistel D 999")
        << "BIG-BOY D"
        << "999" << QStringList{"02 41 47 39 37 37 0D", "02 41 47 39 39 39 0D"} << 1;
    QTest::newRow("Prosistel D 977")
        << "PROSISTEL D"
        << "977" << QStringList{"02 41 47 39 37 37 0D", "02 41 47 39 37 37 0D"} << 1;
}

void TestRotorControl::bytesAndPauses()
{
    QFETCH(QString, model);
    QFETCH(QString, command);
    QFETCH(QStringList, log);
    QFETCH(int, beeps);
    useModel(model);
    poke(command);
    QCOMPARE(m_panel->background(Item::LblDelay),
             model.contains(u" D") ? MainPanel::kLightGreen : MainPanel::kRed);
    m_pauser->runAll();
    QCOMPARE(m_log, log);
    QCOMPARE(m_beeper->count, beeps);
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
    QVERIFY(!m_rotor->driving());
}

void TestRotorControl::acceptance_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("azimuth");  // what the azimuth drivers send, or empty
    QTest::addColumn<QString>("azimuthD"); // what Prosistel D sends after its stop frame
    QTest::newRow("0") << "0"
                       << "000"
                       << "000";
    QTest::newRow("00") << "00"
                        << "000"
                        << "000";
    QTest::newRow("000") << "000"
                         << "000"
                         << "000";
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
    QTest::newRow("+45") << "+45"
                         << ""
                         << "";
    QTest::newRow("1e2") << "1e2"
                         << ""
                         << "";
    QTest::newRow("12.5") << "12.5"
                          << ""
                          << "";
    QTest::newRow("blank 45") << " 45"
                              << ""
                              << "";
    QTest::newRow("45 newline") << "45\n"
                                << ""
                                << "";
    QTest::newRow("0045") << "0045"
                          << ""
                          << "";
    QTest::newRow("arabic-indic 45") << QStringLiteral(u"\u0664\u0665") << ""
                                     << "";
    QTest::newRow("OK") << "OK"
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
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestRotorControl::acceptance()
{
    QFETCH(QString, text);
    QFETCH(QString, azimuth);
    QFETCH(QString, azimuthD);
    const QByteArray a = azimuth.toLatin1();
    const QByteArray d = azimuthD.toLatin1();
    const QList<std::pair<QString, QList<QByteArray>>> families{
        {"PROSISTEL B/C", a.isEmpty() ? QList<QByteArray>{}
                                      : QList<QByteArray>{"\x02", "0", "\x02", a.mid(0, 1),
                                                          a.mid(1, 1), a.mid(2, 1), "\r"}},
        {"ROTOR-EZ",
         a.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{"AP1" + a + ";\r", "AM1;"}},
        {"HY-GAIN",
         a.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{"AP1" + a + "\r\n", "AM1;"}},
        {"PROSISTEL D", d.isEmpty() ? QList<QByteArray>{}
                                    : QList<QByteArray>{"\x02"
                                                        "AG977\r",
                                                        "\x02"
                                                        "AG" +
                                                            d + "\r"}},
    };
    for (const auto &[model, writes] : families) {
        init();
        useModel(model, 0);
        poke(text);
        m_pauser->runAll();
        QVERIFY2(m_port->writes == writes, qPrintable(model));
        if (writes.isEmpty()) {
            // A text that is not sent leaves the window as it was.
            QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
            QCOMPARE(m_panel->text(Item::LblGradi), QString());
            QCOMPARE(m_panel->text(Item::Text1), text);
            QCOMPARE(m_beeper->count, 0);
        }
    }
}

void TestRotorControl::prosistelBcShowsEachDigit()
{
    useModel(QStringLiteral("PROSISTEL B/C"));
    QStringList captions;
    connect(m_panel.get(), &MainPanel::textChanged, this, [&](Item item, const QString &text) {
        if (item == Item::LblGradi)
            captions << text;
    });
    // Record every setting, also of an unchanged caption.
    poke(QStringLiteral("5"));
    m_pauser->runAll();
    QCOMPARE(captions, (QStringList{"ACK", "0", "005", "0", "005", "5", "005"}));
    QCOMPARE(m_panel->caption(), QStringLiteral("DDE[005]\u00B0 SorvikDDE v2.3"));
}

void TestRotorControl::acknowledgementOverTheLink()
{
    for (const QString &model : {QStringLiteral("PROSISTEL B/C"), QStringLiteral("ROTOR-EZ"),
                                 QStringLiteral("PROSISTEL D")}) {
        init();
        useModel(model);
        poke(QStringLiteral("45"));
        m_pauser->runAll();
        QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
        QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("OK"));
        QCOMPARE(m_panel->background(Item::Text2), MainPanel::kLightGreen);
        QCOMPARE(m_panel->caption(), QStringLiteral("DDE[045]\u00B0 SorvikDDE v2.3"));
        // Text1 shows "OK" already: the next acknowledgement still passes through the intake.
        m_panel->setText(Item::Text3, QStringLiteral("90"));
        m_rotor->Text3_KeyPress(13);
        m_pauser->runAll();
        QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("OK"));
        QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("090"));
    }
}

void TestRotorControl::hyGainWritesNoOk()
{
    useModel(QStringLiteral("HY-GAIN"));
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("45"));
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("045"));
    // The logbook's repeated poke of the same azimuth drives again.
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(m_port->writes.size(), 4);
}

void TestRotorControl::negativeDelay_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("delayAfter");
    QTest::newRow("Rotor-EZ drive") << "ROTOR-EZ"
                                    << "7" << 1;
    QTest::newRow("Rotor-EZ OK keeps it") << "ROTOR-EZ"
                                          << "OK" << -5;
    QTest::newRow("B/C OK keeps it") << "PROSISTEL B/C"
                                     << "OK" << -5;
    QTest::newRow("Hy-Gain OK corrects") << "HY-GAIN"
                                         << "OK" << 1;
    QTest::newRow("Prosistel D text corrects") << "PROSISTEL D"
                                               << "abc" << 1;
}

void TestRotorControl::negativeDelay()
{
    QFETCH(QString, model);
    QFETCH(QString, command);
    QFETCH(int, delayAfter);
    useModel(model, -5);
    poke(command);
    QCOMPARE(int(m_config->activeProfile().RotorDelay), delayAfter);
    if (command == u"7") {
        QCOMPARE(m_log.value(0), QStringLiteral("pause 1"));
    }
}

void TestRotorControl::dispatcherRows_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("sends");
    QTest::addColumn<QString>("message");
    QTest::newRow("lower-case prosistel d") << "prosistel d" << true << "";
    QTest::newRow("BIG-BOY B/C") << "BIG-BOY B/C" << true << "";
    QTest::newRow("DEMO") << "DEMO" << false << "";
    QTest::newRow("blank DEMO") << " DEMO" << false << "";
    QTest::newRow("DCU-1 with blank") << "DCU-1 " << false << "";
    QTest::newRow("unknown") << "YAESU" << false << "";
    QTest::newRow("ARSWIN") << "ARSWIN" << false
                            << "This rotor model like [ARSWIN] is directly implemented on SORVIK";
    QTest::newRow("sartek lower")
        << "sartek" << false << "This rotor model like [ARSWIN] is directly implemented on SORVIK";
}

void TestRotorControl::dispatcherRows()
{
    QFETCH(QString, model);
    QFETCH(bool, sends);
    QFETCH(QString, message);
    useModel(model, 0);
    poke(QStringLiteral("90"));
    m_pauser->runAll();
    QCOMPARE(!m_port->writes.isEmpty(), sends);
    QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(m_boxes->boxes[0].title, QStringLiteral("SorvikDDE"));
        QCOMPARE(m_host->dialogReads, 1);
        // Every command, the stop included, gets the message.
        m_rotor->MnuStop_Click();
        QCOMPARE(m_boxes->boxes.size(), 2);
    }
}

void TestRotorControl::intakeWords()
{
    useModel(QStringLiteral("ROTOR-EZ"), 0);
    poke(QStringLiteral("ACK"));
    QCOMPARE(m_panel->background(Item::Text2), MainPanel::kLightRed);
    QCOMPARE(m_host->rearms, 1);
    QCOMPARE(m_host->rigenera, 1);
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("ACK"));
    QVERIFY(m_port->writes.isEmpty());

    poke(QStringLiteral("quit"));
    QCOMPARE(m_host->closes, 0);
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("quit"));
    QCOMPARE(m_panel->background(Item::Text2), MainPanel::kLightGreen);

    poke(QStringLiteral("QUIT"));
    QCOMPARE(m_host->closes, 1);
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("quit"));
}

void TestRotorControl::manualBox()
{
    useModel(QStringLiteral("ROTOR-EZ"), 0);
    m_panel->setText(Item::Text3, QStringLiteral(" 360 "));
    m_rotor->Text3_KeyPress(65);
    QCOMPARE(m_panel->text(Item::Text3), QStringLiteral(" 360 "));
    m_rotor->Text3_KeyPress(13);
    m_pauser->runAll();
    QCOMPARE(writesAsHex().value(0), QStringLiteral("41 50 31 30 30 30 3B 0D"));
    QCOMPARE(m_panel->text(Item::Text3), QString());

    m_port->writes.clear();
    m_panel->setText(Item::Text3, QStringLiteral("360"));
    m_rotor->MnuGO_Click();
    m_pauser->runAll();
    QVERIFY(m_port->writes.isEmpty());
    QCOMPARE(m_panel->text(Item::Text3), QStringLiteral("360"));
    m_panel->setText(Item::Text3, QStringLiteral("45"));
    m_rotor->MnuGO_Click();
    m_pauser->runAll();
    m_rotor->MnuGO_Click();
    m_pauser->runAll();
    QCOMPARE(m_port->writes.size(), 4);
}

void TestRotorControl::commandDuringADriveWaitsNewestOnly()
{
    useModel(QStringLiteral("ROTOR-EZ"));
    poke(QStringLiteral("10"));
    m_pauser->step(); // first command written
    poke(QStringLiteral("20"));
    poke(QStringLiteral("30"));
    m_panel->setText(Item::Text3, QStringLiteral("40"));
    m_rotor->MnuGO_Click();
    QCOMPARE(m_port->writes.size(), 1);
    m_pauser->runAll();
    QCOMPARE(writesAsHex(), (QStringList{"41 50 31 30 31 30 3B 0D", "41 4D 31 3B",
                                         "41 50 31 30 34 30 3B 0D", "41 4D 31 3B"}));
}

void TestRotorControl::stopDuringADrive_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("message");
    QTest::newRow("B/C") << "PROSISTEL B/C" << QStringList{"02", "30", "02", "30", "0D"} << "";
    QTest::newRow("Rotor-EZ") << "ROTOR-EZ" << QStringList{"41 50 31 31 32 30 3B 0D"}
                              << "PLEASE SEND all info for to make the STOP COMMAND for this ROTOR";
    QTest::newRow("Hy-Gain") << "HY-GAIN" << QStringList{"41 50 31 31 32 30 0D 0A"}
                             << "PLEASE SEND all info for to make the STOP COMMAND for this ROTOR";
}

void TestRotorControl::stopDuringADrive()
{
    QFETCH(QString, model);
    QFETCH(QStringList, writes);
    QFETCH(QString, message);
    useModel(model);
    poke(QStringLiteral("120"));
    m_pauser->step();
    poke(QStringLiteral("200")); // waiting, dropped by the stop
    m_rotor->MnuStop_Click();
    QCOMPARE(m_rotor->StopRequest(), 0);
    m_pauser->runAll();
    QCOMPARE(writesAsHex(), writes);
    QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (message.isEmpty()) {
        QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("STOP"));
        QCOMPARE(m_panel->caption(), QStringLiteral("DDE[STOP]\u00B0 SorvikDDE v2.3"));
        QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
        QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
    }
}

void TestRotorControl::stopAfterACompletedTurnStillSends()
{
    useModel(QStringLiteral("PROSISTEL B/C"), 0);
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("OK"));
    m_port->writes.clear();
    m_rotor->MnuStop_Click();
    m_pauser->runAll();
    QCOMPARE(writesAsHex(), (QStringList{"02", "30", "0D"}));
}

void TestRotorControl::prosistelDStop()
{
    useModel(QStringLiteral("big-boy d"));
    m_rotor->MnuStop_Click();
    QCOMPARE(writesAsHex(), QStringList{"02 41 47 39 37 37 0D"});
    QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("STOP"));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("OK"));
    QCOMPARE(m_rotor->StopRequest(), 0);
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("OK"));
}

void TestRotorControl::closedPortEndsTheDrive_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("failure");
    QTest::newRow("B/C") << "PROSISTEL B/C"
                         << "PROSISTEL CMD ROTOR ERROR v2.3";
    QTest::newRow("D") << "PROSISTEL D"
                       << "PROSISTEL CMD ROTOR ERROR v2.3";
    QTest::newRow("Rotor-EZ") << "ROTOR-EZ"
                              << "ROTOR-EZ/DCU1 CMD ROTOR ERROR v2.3";
    QTest::newRow("Hy-Gain") << "HY-GAIN"
                             << "ROTOR-EZ/DCU1-HyGain CMD ROTOR ERROR v2.3";
}

void TestRotorControl::closedPortEndsTheDrive()
{
    QFETCH(QString, model);
    QFETCH(QString, failure);
    useModel(model, 0);
    m_port->setPortOpen(false);
    poke(QStringLiteral("45"));
    m_pauser->runAll();
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kRed);
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("45"));
    QCOMPARE(m_beeper->count, 0);
    QVERIFY(m_boxes->boxes.isEmpty());
    QVERIFY2(m_panel->text(Item::TBox).contains(failure), qPrintable(m_panel->text(Item::TBox)));
    QVERIFY(!m_rotor->driving());
    // The next command runs again.
    m_port->setPortOpen(true);
    poke(QStringLiteral("90"));
    m_pauser->runAll();
    QVERIFY(!m_port->writes.isEmpty());
}

void TestRotorControl::abandonWritesNothingMore()
{
    useModel(QStringLiteral("PROSISTEL B/C"));
    poke(QStringLiteral("45"));
    m_pauser->step();
    const int written = int(m_port->writes.size());
    m_rotor->abandon();
    m_pauser->runAll();
    // Nor does anything that arrives while the program goes down.
    poke(QStringLiteral("90"));
    m_panel->setText(Item::Text3, QStringLiteral("90"));
    m_rotor->MnuGO_Click();
    m_rotor->MnuStop_Click();
    m_pauser->runAll();
    QCOMPARE(int(m_port->writes.size()), written);
    QVERIFY(!m_rotor->driving());
}

void TestRotorControl::quitDuringADrive()
{
    useModel(QStringLiteral("ROTOR-EZ"));
    poke(QStringLiteral("45"));
    poke(QStringLiteral("QUIT"));
    QCOMPARE(m_host->closes, 1);
    m_pauser->runAll();
    QVERIFY(m_port->writes.isEmpty());
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("QUIT"));
}

void TestRotorControl::pokeWhileTheStopMessageIsOpen()
{
    useModel(QStringLiteral("DCU-1"), 0);
    m_boxes->whileOpen = [this] {
        poke(QStringLiteral("45"));
        QVERIFY(m_port->writes.isEmpty());
    };
    m_rotor->MnuStop_Click();
    // The poke is an ordinary command: it drives once the box is closed, not as a second stop.
    QCOMPARE(m_boxes->boxes.size(), 1);
    m_pauser->runAll();
    QCOMPARE(writesAsHex(), (QStringList{"41 50 31 30 34 35 3B 0D", "41 4D 31 3B"}));
    QCOMPARE(m_rotor->StopRequest(), 0);
}

void TestRotorControl::pokesWhileTheModelMessageIsOpen()
{
    useModel(QStringLiteral("IF100"));
    m_boxes->whileOpen = [this] {
        poke(QStringLiteral("20"));
        poke(QStringLiteral("30"));
    };
    poke(QStringLiteral("10"));
    // One box at a time; of the two pokes only the newest is answered, after the first box.
    QCOMPARE(m_boxes->boxes.size(), 2);
    QCOMPARE(m_boxes->maxOpen, 1);
    QCOMPARE(m_rotor->TargetAzimuth(), QStringLiteral("30"));
}

void TestRotorControl::quitWhileAMessageIsOpen()
{
    useModel(QStringLiteral("SARTEK"));
    m_boxes->whileOpen = [this] {
        poke(QStringLiteral("QUIT"));
        poke(QStringLiteral("20"));
    };
    poke(QStringLiteral("10"));
    QCOMPARE(m_host->closes, 1);
    QCOMPARE(m_boxes->boxes.size(), 1);
    m_rotor->MnuStop_Click();
    QCOMPARE(m_boxes->boxes.size(), 1);
}

void TestRotorControl::writeFailsMidDrive()
{
    useModel(QStringLiteral("PROSISTEL B/C"));
    m_panel->setText(Item::TBox, QStringLiteral("STATUS => A,045"));
    poke(QStringLiteral("45"));
    m_pauser->step();
    m_pauser->step(); // STX, "0", STX written
    m_port->pull();
    poke(QStringLiteral("90")); // waits, then finds the port closed too
    m_pauser->runAll();
    QCOMPARE(writesAsHex(), (QStringList{"02", "30", "02"}));
    const QStringList lines = m_panel->text(Item::TBox).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), QStringLiteral("STATUS => A,045"));
    QVERIFY2(lines.value(1).startsWith(QStringLiteral("PROSISTEL CMD ROTOR ERROR v2.3")),
             qPrintable(lines.value(1)));
    QVERIFY2(lines.value(2).startsWith(QStringLiteral("PROSISTEL CMD ROTOR ERROR v2.3")),
             qPrintable(lines.value(2)));
    QCOMPARE(m_panel->background(Item::LblDelay), MainPanel::kRed);
    QCOMPARE(m_panel->text(Item::LblGradi), QStringLiteral("ACK"));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("90"));
    QCOMPARE(m_beeper->count, 0);
}

QTEST_GUILESS_MAIN(TestRotorControl)
#include "tst_rotorcontrol.moc"
