#include "app/serial/QtSerialPortDevice.h"
#include "core/MainPanel.h"
#include "core/RotorProfile.h"
#include "feedback/ReplyPoller.h"
#include "feedback/StatusCommand.h"
#include "rotor/RotorState.h"
#include "tests/support/Pty.h"
#include "tests/support/Recorders.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Item = MainPanel::Item;

// The poller and the status request over a real serial port, the controller played on a
// pseudo-terminal reached through config/com7.
class TestReplyPollerPty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void repliesReachTheWindow();
    void statusRequestOnTheWire();
    void pulledDevice();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<MainPanel> m_panel;
    RotorProfile m_profile;
    std::unique_ptr<QtSerialPortDevice> m_port;
    RotorState m_state;
    std::unique_ptr<ReplyPoller> m_poller;
};

void TestReplyPollerPty::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_pty = std::make_unique<Pty>();
    QVERIFY(m_pty->isValid());
    QVERIFY(QFile::link(m_pty->slavePath(), m_dir->filePath(QStringLiteral("com7"))));
    m_panel = std::make_unique<MainPanel>();
    m_profile = RotorProfile();
    m_profile.RotorModel = QStringLiteral("ROTOR-EZ");
    m_port = std::make_unique<QtSerialPortDevice>(m_dir->path());
    m_poller = std::make_unique<ReplyPoller>(*m_panel, m_profile, *m_port, m_state);
    QVERIFY(m_port->setCommPort(7));
    QVERIFY(m_port->setSettings(QStringLiteral("4800,N,8,1")));
    QVERIFY(m_port->setInputLen(0));
    QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
}

void TestReplyPollerPty::cleanup()
{
    m_poller.reset();
    m_port.reset();
    m_panel.reset();
    m_pty.reset();
    m_dir.reset();
}

void TestReplyPollerPty::repliesReachTheWindow()
{
    QVERIFY(m_pty->send(QByteArray("\x02"
                                   "A,?,123,B\r")));
    QTRY_COMPARE(m_panel->text(Item::LblDelay), QStringLiteral("BUSY"));
    QCOMPARE(m_panel->text(Item::Label3), QStringLiteral("123"));
    QVERIFY(m_panel->text3ReadOnly());
    QCOMPARE(m_panel->background(Item::Text3), MainPanel::kRed);

    QVERIFY(m_pty->send(QByteArray("\x02"
                                   "A,?,045,R\r")));
    QTRY_COMPARE(m_panel->text(Item::LblDelay), QStringLiteral("STATUS OK"));
    QTRY_COMPARE(m_panel->text(Item::Label3), QStringLiteral("045"));
    QVERIFY(!m_panel->text3ReadOnly());
    QCOMPARE(m_panel->background(Item::Text3), MainPanel::kLightYellow);
    // However the bytes were split on the way, the box holds them all, cleaned.
    QTRY_VERIFY(m_panel->text(Item::TBox).endsWith(QStringLiteral("A,?,045,R\r\n")));
    QVERIFY(m_panel->text(Item::TBox).contains(QStringLiteral("A,?,123,B\r\n")));
}

void TestReplyPollerPty::statusRequestOnTheWire()
{
    RecordingMessageBoxes boxes;
    StatusCommand status(*m_panel, m_profile, *m_port, boxes);
    status.mnuStatus_Click();
    QCOMPARE(m_pty->read(2), QByteArray(";\r"));
    m_profile.RotorModel = QStringLiteral("BIG-BOY D");
    status.mnuStatus_Click();
    QCOMPARE(m_pty->read(4), QByteArray("\x02\x41\x3F\x0D"));
    QVERIFY(boxes.boxes.isEmpty());
}

void TestReplyPollerPty::pulledDevice()
{
    m_panel->setText(Item::TxtCom, QStringLiteral("COM ON"));
    QSignalSpy lost(m_port.get(), &SerialPort::portLost);
    m_pty->closeMaster();
    QTRY_COMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM OFF"));
    QVERIFY(!m_port->portOpen());
    QVERIFY(m_panel->text(Item::TBox).contains(QStringLiteral("COM PORT LOST")));
    // Told once, and the program goes on: a status request now is refused, not a crash.
    QTest::qWait(50);
    QCOMPARE(lost.size(), 1);
    RecordingMessageBoxes boxes;
    StatusCommand status(*m_panel, m_profile, *m_port, boxes);
    status.mnuStatus_Click();
    QVERIFY(m_panel->text(Item::TBox)
                .endsWith(QStringLiteral("STATUS NOT SENT: COM PORT CLOSED, press ON first\r\n")));
}

QTEST_GUILESS_MAIN(TestReplyPollerPty)
#include "tst_replypoller_pty.moc"
