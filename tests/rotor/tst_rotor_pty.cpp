#include "RotorRig.h"

#include "app/serial/QtSerialPortDevice.h"
#include "core/MainPanel.h"
#include "core/Pauser.h"
#include "core/RotorProfile.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"
#include "tests/support/Pty.h"
#include "tests/support/Recorders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Item = MainPanel::Item;

// Each family's bytes on a real serial port (a pseudo-terminal behind config/com7), paced by
// real timers with a small delay.
class TestRotorPty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bytesOnTheWire_data();
    void bytesOnTheWire();
    void timerPauserCancel();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<MainPanel> m_panel;
    RotorProfile m_profile;
    std::unique_ptr<QtSerialPortDevice> m_port;
    RecordingMessageBoxes m_boxes;
    CountingBeeper m_beeper;
    std::unique_ptr<TimerPauser> m_pauser;
    RotorState m_state;
    std::unique_ptr<RotorControl> m_control;
};

void TestRotorPty::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_pty = std::make_unique<Pty>();
    QVERIFY(m_pty->isValid());
    QVERIFY(QFile::link(m_pty->slavePath(), m_dir->filePath(QStringLiteral("com7"))));
    m_panel = std::make_unique<MainPanel>();
    m_profile = RotorProfile();
    m_port = std::make_unique<QtSerialPortDevice>(m_dir->path());
    QVERIFY(m_port->setCommPort(7));
    QVERIFY(m_port->setSettings(QStringLiteral("9600,N,8,1")));
    QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
    m_pauser = std::make_unique<TimerPauser>(this);
    m_control = std::make_unique<RotorControl>(*m_panel, m_profile, *m_port, m_boxes, m_beeper,
                                               *m_pauser, m_state);
    connect(m_panel.get(), &MainPanel::text1Set, m_control.get(), &RotorControl::Text1_Change);
}

void TestRotorPty::cleanup()
{
    m_control.reset();
    m_pauser.reset();
    m_port.reset();
    m_panel.reset();
    m_pty.reset();
    m_dir.reset();
}

void TestRotorPty::bytesOnTheWire_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("B/C 5") << "PROSISTEL B/C" << false << "5"
                           << QByteArray::fromHex("02300230303"
                                                  "50d");
    QTest::newRow("B/C stop") << "PROSISTEL B/C" << true << "" << QByteArray::fromHex("02300d");
    QTest::newRow("Rotor-EZ 7") << "ROTOR-EZ" << false << "7" << QByteArray("AP1007;\rAM1;");
    QTest::newRow("Hy-Gain 45") << "HY-GAIN" << false << "45" << QByteArray("AP1045\r\nAM1;");
    QTest::newRow("Prosistel D 7") << "PROSISTEL D" << false << "7"
                                   << QByteArray("\x02"
                                                 "AG977\r\x02"
                                                 "AG007\r");
    QTest::newRow("Prosistel D 999") << "PROSISTEL D" << false << "999"
                                     << QByteArray("\x02"
                                                   "AG977\r\x02"
                                                   "AG999\r");
    QTest::newRow("Prosistel D 977") << "PROSISTEL D" << false << "977"
                                     << QByteArray("\x02"
                                                   "AG977\r\x02"
                                                   "AG977\r");
    QTest::newRow("Prosistel D stop") << "PROSISTEL D" << true << ""
                                      << QByteArray("\x02"
                                                    "AG977\r");
}

void TestRotorPty::bytesOnTheWire()
{
    QFETCH(QString, model);
    QFETCH(bool, stop);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    m_profile.RotorModel = model;
    m_profile.RotorDelay = 3;
    if (stop)
        m_control->MnuStop_Click();
    else
        m_panel->setText(Item::Text1, text);
    QCOMPARE(m_pty->read(int(bytes.size())), bytes);
    QTRY_COMPARE(m_panel->background(Item::LblDelay), MainPanel::kLightGreen);
    QCOMPARE(m_pty->readAvailable(), QByteArray());
    QVERIFY(m_panel->text(Item::TBox).indexOf(QStringLiteral("ERROR")) < 0);
}

void TestRotorPty::timerPauserCancel()
{
    // A cancelled pause never runs, and a replaced one runs only as its replacement.
    int ran = 0;
    m_pauser->after(1, [&] { ran += 1; });
    m_pauser->cancel();
    m_pauser->after(1, [&] { ran += 10; });
    m_pauser->after(1, [&] { ran += 100; });
    QTRY_COMPARE(ran, 100);
    // A later pause runs after anything still due from the earlier ones would have.
    m_pauser->after(5, [&] { ran += 1000; });
    QTRY_COMPARE(ran, 1100);
}

QTEST_GUILESS_MAIN(TestRotorPty)
#include "tst_rotor_pty.moc"
