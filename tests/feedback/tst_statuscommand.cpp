#include "core/MainPanel.h"
#include "core/RotorProfile.h"
#include "feedback/StatusCommand.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QTemporaryDir>
#include <QTest>

using Item = MainPanel::Item;

namespace {
const QString kUnknown = QStringLiteral("UNKNOW: Please send your parameter for STOP rotor.");

// A port that is open but refuses the write.
class RefusingPort : public FakeSerialPort
{
public:
    bool output(const QString &) override { return false; }
    QString errorString() const override { return QStringLiteral("write timed out"); }
};

// The "STATUS" command over a recording port, the traffic box emptied.
template <typename Port = FakeSerialPort>
struct Rig
{
    Rig(const QString &model, bool open)
    {
        profile.RotorModel = model;
        if (open)
            port.setPortOpen(true);
        panel.setText(Item::TBox, QString());
    }
    QTemporaryDir dir;
    MainPanel panel;
    RotorProfile profile;
    Port port;
    RecordingMessageBoxes boxes;
    StatusCommand status{panel, profile, port, boxes};
};
} // namespace

// The status request per controller family and the "STATUS" command around it.
class TestStatusCommand : public QObject
{
    Q_OBJECT
private slots:
    void request_data();
    void request();
    void closedPort_data();
    void closedPort();
    void menu();
    void menuOnFailingWrite();
};

void TestStatusCommand::request_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("bytes"); // empty: nothing written, the message shown

    const QByteArray prosistelD("\x02\x41\x3F\x0D", 4);
    const QByteArray rotorEz("\x3B\x0D", 2);
    QTest::newRow("PROSISTEL D") << "PROSISTEL D" << prosistelD;
    QTest::newRow("BIG-BOY D") << "BIG-BOY D" << prosistelD;
    QTest::newRow("big-boy d") << "big-boy d" << prosistelD;
    QTest::newRow("ROTOR-EZ") << "ROTOR-EZ" << rotorEz;
    QTest::newRow("DCU-1") << "DCU-1" << rotorEz;
    QTest::newRow("HY-GAIN") << "HY-GAIN" << rotorEz;
    QTest::newRow("rotor-ez") << "rotor-ez" << rotorEz;
    QTest::newRow("PROSISTEL B/C") << "PROSISTEL B/C" << QByteArray();
    QTest::newRow("BIG-BOY B/C") << "BIG-BOY B/C" << QByteArray();
    QTest::newRow("DEMO") << "DEMO" << QByteArray();
    QTest::newRow("ARSWIN") << "ARSWIN" << QByteArray();
    QTest::newRow("SARTEK") << "SARTEK" << QByteArray();
    QTest::newRow("IF100") << "IF100" << QByteArray();
    QTest::newRow("DCU-1 with a trailing blank") << "DCU-1 " << QByteArray();
    QTest::newRow("blank before PROSISTEL D") << " PROSISTEL D" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
}

void TestStatusCommand::request()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, bytes);
    FakeSerialPort port;
    port.setPortOpen(true);
    RecordingMessageBoxes boxes;

    QVERIFY(QueryRotorStatus(model, port, boxes));
    if (bytes.isEmpty()) {
        QVERIFY(port.writes.isEmpty());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, kUnknown);
        QCOMPARE(boxes.boxes[0].icon, MessageBoxes::Icon::None);
        QCOMPARE(boxes.boxes[0].title, QStringLiteral("SorvikDDE"));
    } else {
        QCOMPARE(port.writes, QList<QByteArray>{bytes}); // one write
        QVERIFY(boxes.boxes.isEmpty());
    }
}

void TestStatusCommand::closedPort_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("tbox");
    QTest::addColumn<QStringList>("messages");
    const QString note = QStringLiteral("STATUS NOT SENT: COM PORT CLOSED, press ON first\r\n");
    QTest::newRow("PROSISTEL D") << "PROSISTEL D" << false << note << QStringList();
    QTest::newRow("HY-GAIN") << "HY-GAIN" << false << note << QStringList();
    QTest::newRow("DEMO writes nothing, so nothing fails")
        << "DEMO" << true << QString() << QStringList{kUnknown};
}

void TestStatusCommand::closedPort()
{
    QFETCH(QString, model);
    QFETCH(bool, result);
    QFETCH(QString, tbox);
    QFETCH(QStringList, messages);
    Rig rig(model, false);
    QCOMPARE(rig.status.QueryRotorStatus(), result);
    rig.boxes.boxes.clear();
    rig.status.mnuStatus_Click();
    QCOMPARE(rig.panel.text(Item::TBox), tbox);
    QCOMPARE(rig.boxes.texts(), messages);
    QVERIFY(rig.port.writes.isEmpty());
}

void TestStatusCommand::menu()
{
    Rig rig(QStringLiteral("DEMO"), true);
    rig.panel.setText(Item::TBox, QStringLiteral("STATUS => "));
    rig.status.mnuStatus_Click();
    // The profile in force is read at each click.
    rig.profile.RotorModel = QStringLiteral("PROSISTEL D");
    rig.status.mnuStatus_Click();
    QCOMPARE(rig.boxes.texts(), QStringList{kUnknown});
    QCOMPARE(rig.port.writes, QList<QByteArray>{QByteArray("\x02\x41?\r")});
    QCOMPARE(rig.panel.text(Item::TBox), QStringLiteral("STATUS => "));

    // A note after a partial line starts a line of its own.
    rig.port.setPortOpen(false);
    rig.status.mnuStatus_Click();
    QCOMPARE(rig.panel.text(Item::TBox),
             QStringLiteral("STATUS => \r\nSTATUS NOT SENT: COM PORT CLOSED, press ON first\r\n"));
}

void TestStatusCommand::menuOnFailingWrite()
{
    Rig<RefusingPort> rig(QStringLiteral("DCU-1"), true);
    QVERIFY(!rig.status.QueryRotorStatus());
    rig.status.mnuStatus_Click();
    QCOMPARE(rig.panel.text(Item::TBox), QStringLiteral("STATUS NOT SENT: write timed out\r\n"));
}

QTEST_GUILESS_MAIN(TestStatusCommand)
#include "tst_statuscommand.moc"
