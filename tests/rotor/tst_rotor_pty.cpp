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
} // namespace

class TestRotorPty : public QObject
{
    Q_OBJECT
private slots:
    void families_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("B/C 5") << "PROSISTEL B/C" << "5" << QByteArray::fromHex("02300230" "30350D");
        QTest::newRow("Rotor-EZ 7") << "ROTOR-EZ" << "7" << QByteArray("AP1007;\rAM1;");
        QTest::newRow("Hy-Gain 45") << "HY-GAIN" << "45" << QByteArray("AP1045\r\nAM1;");
        QTest::newRow("Prosistel D 7") << "PROSISTEL D" << "7"
                                       << QByteArray("\x02" "AG977\r\x02" "AG007\r");
    }
    void families()
    {
        QFETCH(QString, model);
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        Pty pty;
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
        TimerPauser pauser(&context);
        Host host;
        RotorControl rotor(panel, config, port, boxes, beeper, pauser, host);
        connect(&panel, &MainPanel::text1Set, &rotor, &RotorControl::Text1_Change);

        panel.setText(MainPanel::Item::Text1, command);
        QCOMPARE(pty.read(int(bytes.size())), bytes);
        QTRY_VERIFY(!rotor.driving());
        QCOMPARE(pty.readAvailable(20), QByteArray());
        QCOMPARE(panel.background(MainPanel::Item::LblDelay), MainPanel::kLightGreen);
    }
};

QTEST_GUILESS_MAIN(TestRotorPty)
#include "tst_rotor_pty.moc"
