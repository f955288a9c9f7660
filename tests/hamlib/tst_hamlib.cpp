// Rotators through libhamlib, with the assembled program in this process and its link on a
// private bus: the library's calls never hold the window or the link, the rotor's position comes
// back, a rotator that goes away is one line and COM OFF, and ACK brings it back.
#include "app/Program.h"
#include "app/link/DdeService.h"
#include "app/serial/QtSerialPortDevice.h"
#include "core/Pauser.h"
#include "hamlib/HamlibRotator.h"
#include "rotor/RotorFamily.h"
#include "tests/support/Recorders.h"
#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <memory>

namespace {
constexpr int kWaitMs = 20000;

// A port nobody listens on now; rotctld takes it a moment later.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

// The program with the real libhamlib rotator and serial port, its files in a station's folder.
struct InProcess
{
    InProcess()
        : port(station.path(QStringLiteral("config"))),
          library(station.path(QStringLiteral("config")))
    {}
    void start() { program = std::make_unique<Program>(station.path(), seams()); }
    Program::Seams seams() { return {port, boxes, beeper, pauser, &library}; }

    Station station;
    QtSerialPortDevice port;
    HamlibRotator library;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
    TimerPauser pauser;
    std::unique_ptr<Program> program;
};

class TestHamlib : public QObject
{
    Q_OBJECT
public slots:
    void onChanged(const QString &item, const QString &value)
    {
        if (item == u"LblDelay")
            m_lblDelay << value;
    }

private slots:
    void initTestCase();
    void cleanup();
    void modelsComeFromTheLibrary();
    void dummyTurnsAndStops();
    void silentRotatorNeverHoldsTheLink();
    void rotctldGoesAwayAndAckBringsItBack();

private:
    void start(const QByteArray &model, const QString &address = {});
    QDBusMessage call(const QString &method, const QVariantList &args = {});
    QString request(const QString &item)
    {
        return call("Request", {item}).arguments().value(0).toString();
    }
    int reported() { return call("Position").arguments().value(0, -2).toInt(); }
    // Lines of the traffic box that tell of the library.
    QStringList libraryLines();

    QString m_name;
    std::unique_ptr<QDBusConnection> m_logbook;
    std::unique_ptr<InProcess> m_program;
    QStringList m_lblDelay;
};

void TestHamlib::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    RotorFamily::setLibraryModels(HamlibRotator::installedModels());
    m_name = DdeService::busNameFor(QCoreApplication::applicationFilePath());
    m_logbook = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("logbook")));
    QVERIFY(m_logbook->connect(m_name, "/nomeForm", "org.sorvik.DDE", "Changed", this,
                               SLOT(onChanged(QString, QString))));
}

void TestHamlib::cleanup()
{
    m_program.reset();
    m_lblDelay.clear();
}

void TestHamlib::start(const QByteArray &model, const QString &address)
{
    m_program = std::make_unique<InProcess>();
    QCOMPARE(m_program->station.writeConfig(model), QString());
    if (!address.isEmpty())
        QCOMPARE(m_program->station.link(1, address), QString());
    m_program->start();
    QVERIFY(m_program->program->start());
}

QDBusMessage TestHamlib::call(const QString &method, const QVariantList &args)
{
    // Asynchronous: the program answers on this very thread.
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_name, "/nomeForm", "org.sorvik.DDE", method);
    message.setArguments(args);
    QDBusPendingCall pending = m_logbook->asyncCall(message, kWaitMs);
    QDeadlineTimer deadline(kWaitMs);
    while (!pending.isFinished() && !deadline.hasExpired())
        QTest::qWait(2);
    return pending.reply();
}

QStringList TestHamlib::libraryLines()
{
    return request("TBox").split("\r\n").filter("HAMLIB:");
}

void TestHamlib::modelsComeFromTheLibrary()
{
    const QStringList models = RotorFamily::dialogModels();
    QVERIFY2(models.size() >= 9 + 40, qPrintable(QString::number(models.size())));
    QVERIFY(models.contains("HAMLIB 603 YAESU GS-232B"));
    QVERIFY(models.contains("HAMLIB 901 SPID ROT2PROG"));
    QVERIFY(models.contains("HAMLIB 2 HAMLIB NET ROTCTL"));
    const RotorFamily::LibraryModel *net = RotorFamily::libraryModel(2);
    QVERIFY(net && net->port == RotorFamily::LibraryModel::Port::Network);
}

void TestHamlib::dummyTurnsAndStops()
{
    start("HAMLIB 1");
    QTRY_COMPARE_WITH_TIMEOUT(request("TxtCom"), QStringLiteral("COM ON"), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(request("TBox").contains("HAMLIB INFO: Dummy rotator"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(request("Label3"), QStringLiteral("000"), kWaitMs);

    call("Poke", {"Text1", "9"});
    QTRY_COMPARE_WITH_TIMEOUT(request("Text1"), QStringLiteral("OK"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(reported(), 9, kWaitMs);
    QCOMPARE(request("Label3"), QStringLiteral("009"));
    QTRY_COMPARE_WITH_TIMEOUT(m_lblDelay, (QStringList{"BUSY", "STATUS OK"}), kWaitMs);
    QVERIFY(request("TBox").contains("AZ: 009\r\n"));

    // A stop halts it on its way; it then holds still.
    call("Poke", {"Text1", "300"});
    QTRY_VERIFY_WITH_TIMEOUT(reported() > 12, kWaitMs);
    QCOMPARE(call("Stop").type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(request("LblGradi"), QStringLiteral("STOP"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(request("LblDelay"), QStringLiteral("STATUS OK"), kWaitMs);
    const int stoppedAt = reported();
    QVERIFY2(stoppedAt > 12 && stoppedAt < 300, qPrintable(QString::number(stoppedAt)));
    QTest::qWait(1500);
    QCOMPARE(reported(), stoppedAt);
    QVERIFY(libraryLines().isEmpty());
}

void TestHamlib::silentRotatorNeverHoldsTheLink()
{
    // A network rotator that takes the connection and never says a word: libhamlib waits for
    // its answer to the opening.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    start("HAMLIB 2", QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), kWaitMs);
    QTcpSocket *held = silent.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(held->bytesAvailable() > 0, kWaitMs);

    // While it waits, the link answers and takes pokes.
    QCOMPARE(request("TxtCom"), QStringLiteral("COM ON"));
    QCOMPARE(call("Poke", {"Text1", "45"}).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(request("Text1"), QStringLiteral("45"));
    QVERIFY(libraryLines().isEmpty());

    // Its time-out closes the rotator, told in one line.
    QTRY_COMPARE_WITH_TIMEOUT(request("TxtCom"), QStringLiteral("COM OFF"), kWaitMs);
    const QStringList lines = libraryLines();
    QVERIFY2(lines.size() == 1, qPrintable(lines.join('\n')));
    QVERIFY2(lines.first().startsWith(QStringLiteral("COM PORT LOST (HAMLIB: open 127.0.0.1:")),
             qPrintable(lines.first()));
}

void TestHamlib::rotctldGoesAwayAndAckBringsItBack()
{
    const QString rotctld = QStandardPaths::findExecutable(QStringLiteral("rotctld"));
    QVERIFY2(!rotctld.isEmpty(), "rotctld missing: scripts/setup installs libhamlib-utils");
    const quint16 port = freePort();
    const QStringList arguments{"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)};
    QProcess peer;
    peer.start(rotctld, arguments);
    QVERIFY(peer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        }(),
        kWaitMs);

    start("HAMLIB 2 HAMLIB NET ROTCTL", QStringLiteral("127.0.0.1:%1").arg(port));
    call("Poke", {"Text1", "6"});
    QTRY_COMPARE_WITH_TIMEOUT(reported(), 6, kWaitMs);

    // Gone in the middle of a turn: one line, COM OFF, the link still answers.
    call("Poke", {"Text1", "200"});
    QTRY_VERIFY_WITH_TIMEOUT(reported() > 7, kWaitMs);
    peer.kill();
    QVERIFY(peer.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(request("TxtCom"), QStringLiteral("COM OFF"), kWaitMs);
    QTest::qWait(1500);
    QCOMPARE(libraryLines().size(), 1);
    QVERIFY2(libraryLines().first().startsWith("COM PORT LOST (HAMLIB: "),
             qPrintable(libraryLines().first()));

    // Back, and the logbook's ACK opens the rotator again.
    peer.start(rotctld, arguments);
    QVERIFY(peer.waitForStarted());
    QTest::qWait(300);
    call("Poke", {"Text1", "ACK"});
    call("Poke", {"Text1", "3"});
    QTRY_COMPARE_WITH_TIMEOUT(reported(), 3, kWaitMs);
    QCOMPARE(request("Text1"), QStringLiteral("OK"));
    peer.terminate();
    peer.waitForFinished();
}

QTEST_MAIN(TestHamlib)
#include "tst_hamlib.moc"
