// The assembled program in this process, with its real wiring, its real serial port on a
// pseudo-terminal and its link on a private session bus, driven as the logbook and the operator
// drive it. Only the message boxes, the beep and the single-instance folder are the test's.
#include "app/Program.h"
#include "app/link/DdeService.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"
#include "map/window/BeamMapView.h"
#include "tests/support/Pty.h"
#include "tests/support/Recorders.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
constexpr int kWaitMs = 10000;

QByteArray profileFile(const QByteArray &model)
{
    QByteArray bytes;
    for (int profile = 0; profile < 3; ++profile)
        bytes += "1\r\n9600\r\nN,8,1\r\n0 - NONE\r\n" + model + "\r\n1\r\n0\r\n";
    return bytes;
}

QWidget *mainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"FrmSorvikDDE")
            return widget;
    return nullptr;
}
} // namespace

// One program: its folder with config/com1 on a pty, the program itself and a logbook's own
// connection to the bus.
struct Station
{
    explicit Station(const QByteArray &model)
    {
        QDir(dir.path()).mkdir(QStringLiteral("config"));
        QFile::link(pty.slavePath(), dir.filePath(QStringLiteral("config/com1")));
        QFile file(dir.filePath(QStringLiteral("config/SorvikDDE.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(profileFile(model));
        file.close();
        port = std::make_unique<QtSerialPortDevice>(dir.filePath(QStringLiteral("config")));
        program =
            std::make_unique<Program>(dir.path(), Program::Seams{*port, boxes, beeper, pauser});
    }

    QTemporaryDir dir;
    Pty pty;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
    TimerPauser pauser;
    std::unique_ptr<QtSerialPortDevice> port;
    std::unique_ptr<Program> program;
};

class TestEndToEnd : public QObject
{
    Q_OBJECT
public slots:
    void onChanged(const QString &item, const QString &value) { m_changed << item + "=" + value; }

private slots:
    void initTestCase();
    void cleanupTestCase();

    void pokeReachesTheWireAndOkComesBack();
    void replyShowsInLabel3AndPosition();
    void stopMenuAndStopCallSendTheStopFrame();
    void ackReopensThePortAndRearmsTheBanner();
    void quitPokeClosesTheProgram();
    void externalModelReadsTheDialogsModelBox();
    void beamMapClickAndPointAtDrive();

private:
    QDBusMessage call(const QString &method, const QVariantList &args = {});
    QString request(const QString &item);

    QString m_name;
    std::unique_ptr<QDBusConnection> m_logbook;
    std::unique_ptr<Station> m_station;
    QStringList m_changed;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_name = DdeService::busNameFor(QCoreApplication::applicationFilePath());
    m_logbook = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("logbook")));
    QVERIFY(m_logbook->connect(m_name, QStringLiteral("/nomeForm"),
                               QStringLiteral("org.sorvik.DDE"), QStringLiteral("Changed"), this,
                               SLOT(onChanged(QString, QString))));

    m_station = std::make_unique<Station>("PROSISTEL D");
    QVERIFY(m_station->pty.isValid());
    QVERIFY(m_station->program->start());
    // The first activation opens the port and asks the controller for its state.
    QCOMPARE(m_station->pty.read(4, kWaitMs), QByteArray("\x02"
                                                         "A?\r"));
    QCOMPARE(request(QStringLiteral("TxtCom")), QStringLiteral("COM ON"));
    // Start-up ends with this change, and the bus keeps one sender's signals in order: once it
    // has arrived, no start-up change can reach a test after it clears its list.
    QTRY_VERIFY_WITH_TIMEOUT(m_changed.contains(QStringLiteral("TxtCom=COM ON")), kWaitMs);
}

void TestEndToEnd::cleanupTestCase()
{
    m_station.reset();
    m_logbook.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("logbook"));
}

QDBusMessage TestEndToEnd::call(const QString &method, const QVariantList &args)
{
    // Asynchronous: the program answers on this very thread.
    QDBusMessage message = QDBusMessage::createMethodCall(m_name, QStringLiteral("/nomeForm"),
                                                          QStringLiteral("org.sorvik.DDE"), method);
    message.setArguments(args);
    QDBusPendingCall pending = m_logbook->asyncCall(message, kWaitMs);
    QDeadlineTimer deadline(kWaitMs);
    while (!pending.isFinished() && !deadline.hasExpired())
        QTest::qWait(2);
    return pending.reply();
}

QString TestEndToEnd::request(const QString &item)
{
    return call(QStringLiteral("Request"), {item}).arguments().value(0).toString();
}

void TestEndToEnd::pokeReachesTheWireAndOkComesBack()
{
    m_changed.clear();
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("45")});
    QCOMPARE(m_station->pty.read(14, kWaitMs), QByteArray("\x02"
                                                          "AG977\r\x02"
                                                          "AG045\r"));
    QTRY_VERIFY_WITH_TIMEOUT(m_changed.contains(QStringLiteral("Text1=OK")), kWaitMs);
    QCOMPARE(m_changed.first(), QStringLiteral("Text1=45"));
    QCOMPARE(request(QStringLiteral("Text1")), QStringLiteral("OK"));
    QCOMPARE(request(QStringLiteral("LblGradi")), QStringLiteral("045"));
}

void TestEndToEnd::replyShowsInLabel3AndPosition()
{
    QVERIFY(m_station->pty.send(QByteArray("\x02"
                                           "A,?,123,B\r")));
    QTRY_COMPARE_WITH_TIMEOUT(request(QStringLiteral("Label3")), QStringLiteral("123"), kWaitMs);
    QCOMPARE(request(QStringLiteral("LblDelay")), QStringLiteral("BUSY"));
    QVERIFY(request(QStringLiteral("TBox")).endsWith(QStringLiteral("A,?,123,B\r\n")));
    const QDBusMessage position = call(QStringLiteral("Position"));
    QCOMPARE(position.arguments().value(0).toInt(), 123);
    QCOMPARE(position.arguments().value(1).toInt(), 45);
}

void TestEndToEnd::stopMenuAndStopCallSendTheStopFrame()
{
    QWidget *window = mainWindow();
    QVERIFY(window);
    window->findChild<QAction *>(QStringLiteral("MnuStop"))->trigger();
    QCOMPARE(m_station->pty.read(7, kWaitMs), QByteArray("\x02"
                                                         "AG977\r"));
    QCOMPARE(call(QStringLiteral("Stop")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(m_station->pty.read(7, kWaitMs), QByteArray("\x02"
                                                         "AG977\r"));
    QTRY_COMPARE(request(QStringLiteral("LblGradi")), QStringLiteral("STOP"));
    QVERIFY(m_station->boxes.boxes.isEmpty());
}

void TestEndToEnd::ackReopensThePortAndRearmsTheBanner()
{
    QWidget *window = mainWindow();
    auto *rtx1 = m_station->program->findChild<QTimer *>(QStringLiteral("RTX1"));
    QVERIFY(rtx1 && rtx1->isActive());
    QTRY_VERIFY(rtx1->remainingTime() < 9900);

    window->findChild<QAction *>(QStringLiteral("MnuOff"))->trigger();
    QCOMPARE(request(QStringLiteral("TxtCom")), QStringLiteral("COM OFF"));
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("ACK")});
    QTRY_COMPARE(request(QStringLiteral("Text1")), QStringLiteral("ACK"));
    QVERIFY(rtx1->remainingTime() > 9900); // a full period again
    // The port is open again, though TxtCom was not told so.
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("7")});
    QCOMPARE(m_station->pty.read(14, kWaitMs), QByteArray("\x02"
                                                          "AG977\r\x02"
                                                          "AG007\r"));
    QCOMPARE(request(QStringLiteral("TxtCom")), QStringLiteral("COM OFF"));
}

void TestEndToEnd::quitPokeClosesTheProgram()
{
    QWidget *window = mainWindow();
    QVERIFY(window->isVisible());
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("QUIT")});
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), kWaitMs);
    QVERIFY(QFile::exists(m_station->dir.filePath(QStringLiteral("config/DDEpos.ini"))));
    QVERIFY(!m_station->port->portOpen());
    m_station.reset();
}

void TestEndToEnd::externalModelReadsTheDialogsModelBox()
{
    // The message names the dialog's model box; reading it loads the dialog hidden, and that
    // load closes the port.
    Station station("ARSWIN");
    QVERIFY(station.program->start());
    QTRY_COMPARE_WITH_TIMEOUT(request(QStringLiteral("TxtCom")), QStringLiteral("COM ON"), kWaitMs);
    station.boxes.boxes.clear();
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("45")});
    QTRY_COMPARE_WITH_TIMEOUT(
        station.boxes.texts(),
        QStringList{QStringLiteral("This rotor model like [ARSWIN] is directly implemented on "
                                   "SORVIK")},
        kWaitMs);
    QCOMPARE(request(QStringLiteral("TxtCom")), QStringLiteral("COM OFF"));
    QVERIFY(!station.port->portOpen());
}

// The map's click and the link's PointAt take the road of MANUAL and ENTER: the family's bytes
// on the wire.
void TestEndToEnd::beamMapClickAndPointAtDrive()
{
    Station station("PROSISTEL D");
    QVERIFY(station.program->start());
    QCOMPARE(station.pty.read(4, kWaitMs), QByteArray("\x02"
                                                      "A?\r"));
    QCOMPARE(call("PointAt", {"IO91wm", false}).errorName(),
             QStringLiteral("org.sorvik.DDE.Error.NoStation"));

    mainWindow()->findChild<QAction *>(QStringLiteral("MnuMap"))->trigger();
    QWidget *map = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->windowTitle() == u"Beam map" && widget->isVisible())
            map = widget;
    QVERIFY(map);
    auto *ring = map->findChild<BeamMapView *>(QStringLiteral("beamMapRing"));
    QTest::mouseClick(ring, Qt::LeftButton, {}, ring->pixelAt(90, 0.8).toPoint());
    QCOMPARE(station.pty.read(14, kWaitMs), QByteArray("\x02"
                                                       "AG977\r\x02"
                                                       "AG090\r"));

    auto *locator = map->findChild<QLineEdit *>(QStringLiteral("station"));
    locator->setText(QStringLiteral("JN45fo"));
    QMetaObject::invokeMethod(locator, &QLineEdit::editingFinished);
    QCOMPARE(call("PointAt", {"ZZ99", false}).errorName(),
             QStringLiteral("org.sorvik.DDE.Error.BadLocator"));
    // From northern Italy, London lies north-west; the long path the other way round.
    const QDBusMessage shortPath = call("PointAt", {"IO91wm", false});
    QCOMPARE(shortPath.type(), QDBusMessage::ReplyMessage);
    const int azimuth = shortPath.arguments().value(0).toInt();
    QVERIFY2(azimuth > 300 && azimuth < 320, qPrintable(QString::number(azimuth)));
    const QByteArray bytes = "\x02"
                             "AG" +
                             QByteArray::number(azimuth) + "\r";
    QCOMPARE(station.pty.read(14, kWaitMs), "\x02"
                                            "AG977\r" +
                                                bytes);
    const int longPath = call("PointAt", {"IO91wm", true}).arguments().value(0).toInt();
    QCOMPARE(longPath, (azimuth + 180) % 360);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
