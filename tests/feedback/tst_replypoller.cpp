#include "core/MainPanel.h"
#include "core/RotorProfile.h"
#include "feedback/ReplyPoller.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeSerialPort.h"

#include <QTemporaryDir>
#include <QTest>

using Item = MainPanel::Item;

namespace {
const QString kStx(QChar(0x02));

// A window state, port and profile around one poller, the port open.
struct Rig
{
    explicit Rig(const QString &model)
    {
        profile.RotorModel = model;
        port.setPortOpen(true);
    }
    QTemporaryDir dir;
    MainPanel panel;
    RotorProfile profile;
    FakeSerialPort port;
    RotorState state;
    ReplyPoller poller{panel, profile, port, state};
};

QString filler(qsizetype length)
{
    QString text;
    for (qsizetype i = 0; i < length; ++i)
        text += QChar(char16_t(u'a' + i % 26));
    return text;
}
} // namespace

// The controller's replies as they arrive, applied to the main window's state.
class TestReplyPoller : public QObject
{
    Q_OBJECT
private slots:
    void shows_data();
    void shows();
    void busyThenReadyInOrder();
    void indicationsPersist();
    void chunksAreNeverJoined();
    void modelIsReadPerChunk();
    void closedPortReadsNothing();
    void trafficBoxBound_data();
    void trafficBoxBound();
    void portLost();
    void reportedAzimuth_data();
    void reportedAzimuth();
};

void TestReplyPoller::shows_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("label3");
    QTest::addColumn<QString>("lblDelay");
    QTest::addColumn<quint32>("text3Colour");
    QTest::addColumn<bool>("text3ReadOnly");
    QTest::addColumn<QString>("tboxGains");

    // The panel starts with an empty Label3, "STATUS OK", a white writable Text3.
    QTest::newRow("ready") << "ROTOR-EZ" << kStx + "A,?,123,R\r"
                           << "123"
                           << "STATUS OK" << MainPanel::kLightYellow << false << "A,?,123,R\r\n";
    QTest::newRow("busy") << "PROSISTEL D" << kStx + "A,?,123,B\r"
                          << "123"
                          << "BUSY" << MainPanel::kRed << true << "A,?,123,B\r\n";
    QTest::newRow("B/C position") << "PROSISTEL B/C"
                                  << "123\r"
                                  << "123"
                                  << "STATUS OK" << MainPanel::kWhite << false << "AZ: 053\r\n";
    QTest::newRow("unknown chunk still shown")
        << "HY-GAIN"
        << "?>\r\n"
        << ""
        << "STATUS OK" << MainPanel::kWhite << false << "?>\r\n\n";
}

void TestReplyPoller::shows()
{
    QFETCH(QString, model);
    QFETCH(QString, received);
    QFETCH(QString, label3);
    QFETCH(QString, lblDelay);
    QFETCH(quint32, text3Colour);
    QFETCH(bool, text3ReadOnly);
    QFETCH(QString, tboxGains);

    Rig rig(model);
    const QString before = rig.panel.text(Item::TBox);
    rig.port.receive(received);

    QCOMPARE(rig.panel.text(Item::Label3), label3);
    QCOMPARE(rig.panel.text(Item::LblDelay), lblDelay);
    QCOMPARE(rig.panel.background(Item::Text3), text3Colour);
    QCOMPARE(rig.panel.text3ReadOnly(), text3ReadOnly);
    QCOMPARE(rig.panel.text(Item::TBox), before + tboxGains);
    QCOMPARE(rig.port.inBufferCount(), 0);
    QVERIFY(rig.port.writes.isEmpty());
}

void TestReplyPoller::busyThenReadyInOrder()
{
    Rig rig(QStringLiteral("ROTOR-EZ"));
    QStringList events;
    connect(&rig.panel, &MainPanel::backgroundChanged, this, [&](Item item, quint32 rgb) {
        if (item == Item::Text3)
            events << QStringLiteral("colour %1").arg(rgb, 6, 16, QChar(u'0'));
    });
    connect(&rig.panel, &MainPanel::textChanged, this, [&](Item item, const QString &text) {
        if (item == Item::LblDelay)
            events << text;
    });
    connect(&rig.panel, &MainPanel::text3ReadOnlyChanged, this,
            [&](bool readOnly) { events << (readOnly ? "read-only" : "writable"); });

    rig.port.receive(QStringLiteral("A,?,010,B\r"));
    rig.port.receive(QStringLiteral("A,?,045,R\r"));
    const QStringList expected{"colour ff0000", "BUSY",      "read-only",
                               "colour ffffc0", "STATUS OK", "writable"};
    QCOMPARE(events, expected);
    QCOMPARE(rig.panel.text(Item::Label3), QStringLiteral("045"));
}

void TestReplyPoller::indicationsPersist()
{
    Rig rig(QStringLiteral("ROTOR-EZ"));
    rig.port.receive(QStringLiteral("A,?,123,B\r"));
    rig.port.receive(QStringLiteral("noise"));
    rig.port.receive(QStringLiteral("r"));
    QCOMPARE(rig.panel.text(Item::Label3), QStringLiteral("123"));
    QCOMPARE(rig.panel.text(Item::LblDelay), QStringLiteral("BUSY"));
    QVERIFY(rig.panel.text3ReadOnly());
}

void TestReplyPoller::chunksAreNeverJoined()
{
    // "123" CR split over two arrivals is two pieces, neither a position report.
    Rig rig(QStringLiteral("PROSISTEL B/C"));
    const QString before = rig.panel.text(Item::TBox);
    rig.port.receive(QStringLiteral("12"));
    rig.port.receive(QStringLiteral("3\r"));
    QCOMPARE(rig.panel.text(Item::TBox), before + "12" + "3\r\n");
    QCOMPARE(rig.panel.text(Item::Label3), QString());

    // What waits when the poll runs is one chunk, however it arrived.
    rig.port.blockSignals(true);
    rig.port.receive(QStringLiteral("07"));
    rig.port.receive(QStringLiteral("5\r"));
    rig.port.blockSignals(false);
    rig.poller.Timer1_Timer();
    QVERIFY(rig.panel.text(Item::TBox).endsWith(QStringLiteral("3\r\nAZ: 005\r\n")));
    QCOMPARE(rig.panel.text(Item::Label3), QStringLiteral("075"));
}

void TestReplyPoller::modelIsReadPerChunk()
{
    Rig rig(QStringLiteral("ROTOR-EZ"));
    rig.port.receive(QStringLiteral("123\r"));
    rig.profile.RotorModel = QStringLiteral("BIG-BOY B/C");
    rig.port.receive(QStringLiteral("123\r"));
    QVERIFY(rig.panel.text(Item::TBox).endsWith(QStringLiteral("123\r\nAZ: 053\r\n")));
}

void TestReplyPoller::closedPortReadsNothing()
{
    Rig rig(QStringLiteral("ROTOR-EZ"));
    rig.port.setPortOpen(false);
    const QString before = rig.panel.text(Item::TBox);
    rig.port.receive(QStringLiteral("A,?,123,B\r"));
    rig.poller.Timer1_Timer();
    QCOMPARE(rig.panel.text(Item::TBox), before);
    QCOMPARE(rig.panel.text(Item::LblDelay), QStringLiteral("STATUS OK"));
    QCOMPARE(rig.panel.text(Item::Label3), QString());
}

void TestReplyPoller::trafficBoxBound_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("dropped");
    QTest::newRow("10000 is not cut") << qsizetype(10000) << qsizetype(0);
    QTest::newRow("10001 loses 3000") << qsizetype(10001) << qsizetype(3000);
}

void TestReplyPoller::trafficBoxBound()
{
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, dropped);
    Rig rig(QStringLiteral("ROTOR-EZ"));
    const QString old = filler(length);
    rig.panel.setText(Item::TBox, old);
    rig.port.receive(QStringLiteral("A,?,123,R\r"));
    // Cut before the append: the new chunk is always there whole.
    QCOMPARE(rig.panel.text(Item::TBox), old.mid(dropped) + "A,?,123,R\r\n");
}

void TestReplyPoller::portLost()
{
    Rig rig(QStringLiteral("ROTOR-EZ"));
    rig.panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    rig.port.receive(QStringLiteral("A,?,1"));
    rig.port.pull(QStringLiteral("device removed"));

    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    const QString tbox = rig.panel.text(Item::TBox);
    // The note stands on a line of its own and says why.
    QVERIFY2(tbox.contains(QStringLiteral("A,?,1\r\nCOM PORT LOST (device removed)")),
             qPrintable(tbox));
    QVERIFY(tbox.endsWith(QStringLiteral("\r\n")));

    // The next opening reads again.
    QVERIFY(rig.port.setPortOpen(true));
    rig.port.receive(QStringLiteral("R"));
    QCOMPARE(rig.panel.text(Item::TBox), tbox + "R");
    QCOMPARE(rig.panel.background(Item::Text3), MainPanel::kLightYellow);
}

void TestReplyPoller::reportedAzimuth_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<int>("reported");
    QTest::addColumn<bool>("moving");
    QTest::newRow("none yet") << "PROSISTEL D" << QStringList{} << -1 << false;
    QTest::newRow("Prosistel D") << "PROSISTEL D"
                                 << QStringList{"\x02"
                                                "A,?,123,B\r"}
                                 << 123 << true;
    QTest::newRow("the last one counts")
        << "BIG-BOY D" << QStringList{"A,?,123,B\r", "A,?,200,R\r", "A,G,R\r"} << 200 << false;
    QTest::newRow("B/C less 70") << "PROSISTEL B/C" << QStringList{"075\r"} << 5 << false;
    QTest::newRow("B/C below north")
        << "PROSISTEL B/C" << QStringList{"075\r", "069\r"} << -1 << false;
    QTest::newRow("out of range") << "PROSISTEL D" << QStringList{"A,?,360,R\r"} << -1 << false;
    QTest::newRow("DCU-1 never reports") << "DCU-1" << QStringList{"A,?,123,R\r"} << -1 << false;
    QTest::newRow("no family") << "DEMO" << QStringList{"A,?,123,R\r"} << -1 << false;
}

void TestReplyPoller::reportedAzimuth()
{
    QFETCH(QString, model);
    QFETCH(QStringList, chunks);
    QFETCH(int, reported);
    QFETCH(bool, moving);
    Rig rig(model);
    for (const QString &chunk : chunks)
        rig.port.receive(chunk);
    QCOMPARE(rig.state.reported(), reported);
    QCOMPARE(rig.state.moving(), moving);
}

QTEST_GUILESS_MAIN(TestReplyPoller)
#include "tst_replypoller.moc"
