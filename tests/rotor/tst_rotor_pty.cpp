// Each family's bytes reach a controller on a real pseudo-terminal, paced by real timers.
#include "app/MainPanel.h"
#include "app/serial/QtSerialPortDevice.h"
#include "configuration/Configuration.h"
#include "rotor/Pauser.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorHost.h"
#include "tests/support/Pty.h"
#include "tests/support/Recorders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
class Host : public RotorHost
{
public:
    void closeProgram() override {}
    void Rigenera() override {}
    void rearmBanner() override {}
    QString dialogModelText() override { return {}; }
};

// The real timers, with a note of every pause asked for.
class CountingPauser : public Pauser
{
public:
    explicit CountingPauser(QObject *context) : m_timers(context) {}
    void after(int ms, std::function<void()> then) override
    {
        pauses << ms;
        m_timers.after(ms, std::move(then));
    }
    QList<int> pauses;

private:
    TimerPauser m_timers;
};
} // namespace

class TestRotorPty : public QObject
{
    Q_OBJECT
private slots:
    void families_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("command"); // "STOP" is the menu's stop
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pauses");
        QTest::addColumn<QString>("gradi");
        QTest::newRow("B/C 5") << "PROSISTEL B/C"
                               << "5"
                               << QByteArray::fromHex("02300230"
                                                      "30350D")
                               << 7 << "005";
        QTest::newRow("B/C stop") << "BIG-BOY B/C"
                                  << "STOP" << QByteArray::fromHex("02300D") << 3 << "STOP";
        QTest::newRow("Rotor-EZ 7") << "ROTOR-EZ"
                                    << "7" << QByteArray("AP1007;\rAM1;") << 2 << "007";
        QTest::newRow("Hy-Gain 45") << "HY-GAIN"
                                    << "45" << QByteArray("AP1045\r\nAM1;") << 2 << "045";
        QTest::newRow("Prosistel D 7") << "PROSISTEL D"
                                       << "7"
                                       << QByteArray("\x02"
                                                     "AG977\r\x02"
                                                     "AG007\r")
                                       << 0 << "007";
        QTest::newRow("Prosistel D 999") << "PROSISTEL D"
                                         << "999"
                                         << QByteArray("\x02"
                                                       "AG977\r\x02"
                                                       "AG999\r")
                                         << 0 << "STOP";
        QTest::newRow("Prosistel D 977") << "PROSISTEL D"
                                         << "977"
                                         << QByteArray("\x02"
                                                       "AG977\r\x02"
                                                       "AG977\r")
                                         << 0 << "STOP";
        QTest::newRow("Prosistel D stop") << "PROSISTEL D"
                                          << "STOP"
                                          << QByteArray("\x02"
                                                        "AG977\r")
                                          << 0 << "STOP";
    }
    void families()
    {
        QFETCH(QString, model);
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QFETCH(int, pauses);
        QFETCH(QString, gradi);
        QTemporaryDir dir;
        Pty pty;
        QVERIFY(pty.isValid());
        QVERIFY(QFile::link(pty.slavePath(), dir.filePath(QStringLiteral("com1"))));
        QtSerialPortDevice port(dir.path());
        QVERIFY(port.setCommPort(1));
        QVERIFY(port.setSettings(QStringLiteral("4800, n,8,1")));
        QVERIFY(port.setPortOpen(true));

        MainPanel panel;
        Configuration config(dir.path());
        config.activeProfile().RotorModel = model;
        config.activeProfile().RotorDelay = 2;
        RecordingMessageBoxes boxes;
        CountingBeeper beeper;
        QObject context;
        CountingPauser pauser(&context);
        Host host;
        RotorControl rotor(panel, config, port, boxes, beeper, pauser, host);
        connect(&panel, &MainPanel::text1Set, &rotor, &RotorControl::Text1_Change);

        if (command == u"STOP")
            rotor.MnuStop_Click();
        else
            panel.setText(MainPanel::Item::Text1, command);
        QCOMPARE(pty.read(int(bytes.size())), bytes);
        QTRY_VERIFY(!rotor.driving());
        QCOMPARE(pty.readAvailable(20), QByteArray());
        QCOMPARE(pauser.pauses, QList<int>(pauses, 2));
        QCOMPARE(panel.background(MainPanel::Item::LblDelay), MainPanel::kLightGreen);
        QCOMPARE(panel.text(MainPanel::Item::LblGradi), gradi);
        QCOMPARE(panel.text(MainPanel::Item::Text1),
                 model == u"HY-GAIN" ? command : QStringLiteral("OK"));
        QVERIFY(boxes.boxes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRotorPty)
#include "tst_rotor_pty.moc"
