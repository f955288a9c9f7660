// The real serial port on pseudo-terminal pairs: refusals, opening and closing, every byte value
// both ways, exclusive access against a second process, the controller side going away.
#include "app/serial/QtSerialPortDevice.h"
#include "tests/support/Pty.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {
constexpr char kHoldArgument[] = "--hold";

// The second process of the exclusive-access test: hold the port until stdin closes.
int holdPort(const QString &configDir, int port)
{
    QtSerialPortDevice device(configDir);
    if (!device.setCommPort(port) || !device.setSettings(QStringLiteral("9600, n,8,1")) ||
        !device.setPortOpen(true)) {
        std::fprintf(stderr, "%s\n", qPrintable(device.errorString()));
        return 2;
    }
    std::puts("held");
    std::fflush(stdout);
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}

QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}
} // namespace

class TestQtSerialPortDevice : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void refusals_data();
    void refusals();
    void closedPort();
    void openFailsWithoutDevice_data();
    void openFailsWithoutDevice();
    void openAndClose();
    void secondOpenInThisProcess();
    void deviceRefusesSettings_data();
    void deviceRefusesSettings();
    void settingsOnOpenPort();
    void everyByteBothWays_data();
    void everyByteBothWays();
    void writesInOrderAndWhole();
    void wideCharacterRefused();
    void waitingCount();
    void heldByAnotherProcess();
    void controllerHangsUp();
    void hangUpWhileClosed();

private:
    // A device on port `port` linked to a fresh pty, opened with `settings`.
    std::unique_ptr<QtSerialPortDevice>
    openOnPty(Pty &pty, int port, const QString &settings = "9600, n,8,1", int handshaking = 0);
    void link(int port, const QString &target);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQtSerialPortDevice::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestQtSerialPortDevice::link(int port, const QString &target)
{
    QVERIFY(QFile::link(target, m_dir->filePath(QStringLiteral("com%1").arg(port))));
}

std::unique_ptr<QtSerialPortDevice>
TestQtSerialPortDevice::openOnPty(Pty &pty, int port, const QString &settings, int handshaking)
{
    if (!pty.isValid())
        return {};
    QFile::link(pty.slavePath(), m_dir->filePath(QStringLiteral("com%1").arg(port)));
    auto device = std::make_unique<QtSerialPortDevice>(m_dir->path());
    if (!device->setCommPort(port) || !device->setSettings(settings) ||
        !device->setHandshaking(handshaking) || !device->setInputLen(0) ||
        !device->setPortOpen(true)) {
        qWarning("%s", qPrintable(device->errorString()));
        return {};
    }
    return device;
}

void TestQtSerialPortDevice::refusals_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("port 1") << "CommPort" << 1 << true;
    QTest::newRow("port 16") << "CommPort" << 16 << true;
    QTest::newRow("port 0") << "CommPort" << 0 << false;
    QTest::newRow("port -3") << "CommPort" << -3 << false;
    for (int mode : {0, 1, 2, 3})
        QTest::addRow("handshaking %d", mode) << "Handshaking" << mode << true;
    QTest::newRow("handshaking 4") << "Handshaking" << 4 << false;
    QTest::newRow("handshaking -1") << "Handshaking" << -1 << false;
    QTest::newRow("input length 0") << "InputLen" << 0 << true;
    QTest::newRow("input length 1") << "InputLen" << 1 << false;
    QTest::newRow("input length -1") << "InputLen" << -1 << false;
}

void TestQtSerialPortDevice::refusals()
{
    QFETCH(QString, property);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    QtSerialPortDevice device(m_dir->path());
    const bool result = property == u"CommPort"      ? device.setCommPort(value)
                        : property == u"Handshaking" ? device.setHandshaking(value)
                                                     : device.setInputLen(value);
    QCOMPARE(result, accepted);
    QCOMPARE(device.errorString().isEmpty(), accepted);
}

void TestQtSerialPortDevice::closedPort()
{
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(!device.portOpen());
    QCOMPARE(device.inBufferCount(), 0);
    QVERIFY(device.input().isEmpty());
    QVERIFY(!device.output(QStringLiteral("AP1045;\r")));
    QVERIFY(!device.errorString().isEmpty());
    QVERIFY(!device.setPortOpen(false));
    QVERIFY(!device.setSettings(QStringLiteral("fast")));
    QVERIFY(device.errorString().contains(u"fast"));
}

void TestQtSerialPortDevice::openFailsWithoutDevice_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("absolute, missing") << "/dev/sorvik-no-such-device";
    QTest::newRow("relative, missing") << "nothing-here";
}

void TestQtSerialPortDevice::openFailsWithoutDevice()
{
    QFETCH(QString, target);
    link(5, target);
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(5));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());
    // The device and the system's reason, for the operator.
    QVERIFY2(device.errorString().startsWith(u"config/com5 -> "), qPrintable(device.errorString()));
    QVERIFY2(device.errorString().endsWith(u": No such file or directory"),
             qPrintable(device.errorString()));
    QVERIFY(!device.setPortOpen(false));
}

void TestQtSerialPortDevice::openAndClose()
{
    Pty pty;
    auto device = openOnPty(pty, 6);
    QVERIFY(device);
    QVERIFY(device->portOpen());

    QVERIFY(!device->setPortOpen(true)); // already open: refused, stays open and usable
    QVERIFY(device->portOpen());
    QVERIFY(!device->setCommPort(7)); // not while open
    QVERIFY(device->output(QStringLiteral("x")));
    QCOMPARE(pty.read(1), QByteArray("x"));

    QVERIFY(device->setPortOpen(false));
    QVERIFY(!device->portOpen());
    QVERIFY(!device->setPortOpen(false));
    QVERIFY(!device->output(QStringLiteral("y")));
    QVERIFY(pty.readAvailable().isEmpty());

    QVERIFY(device->setPortOpen(true)); // and again
    QVERIFY(device->output(QStringLiteral("z")));
    QCOMPARE(pty.read(1), QByteArray("z"));
}

void TestQtSerialPortDevice::secondOpenInThisProcess()
{
    Pty pty;
    auto first = openOnPty(pty, 2);
    QVERIFY(first);
    QtSerialPortDevice second(m_dir->path());
    QVERIFY(second.setCommPort(2));
    QVERIFY(!second.setPortOpen(true));
    QVERIFY(!second.portOpen());
    QVERIFY(first->portOpen());
    first.reset(); // closed by its destructor: the lock goes with it
    QVERIFY(second.setPortOpen(true));
}

void TestQtSerialPortDevice::deviceRefusesSettings_data()
{
    // All of these parse; a pty takes 8 data bits without parity only, and Linux has no 1.5.
    // Qt itself reports odd and mark parity and 1.5 stop bits as taken.
    QTest::addColumn<QString>("settings");
    QTest::newRow("even parity") << "4800, E,8,1";
    QTest::newRow("odd parity") << "4800, o,8,1";
    QTest::newRow("mark parity") << "4800, M,8,1";
    QTest::newRow("space parity") << "4800, s,8,2";
    QTest::newRow("7 data bits") << "4800, n,7,1";
    QTest::newRow("E,7,2") << "4800, E,7,2";
    QTest::newRow("1.5 stop bits") << "4800, n,8,1.5";
}

void TestQtSerialPortDevice::deviceRefusesSettings()
{
    QFETCH(QString, settings);
    Pty pty;
    QVERIFY(pty.isValid());
    link(3, pty.slavePath());
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(3));
    QVERIFY(device.setSettings(settings));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());
    QVERIFY2(device.errorString().contains(u"refuses"), qPrintable(device.errorString()));

    // The refusal left nothing locked behind.
    QVERIFY(device.setSettings(QStringLiteral("4800, n,8,2")));
    QVERIFY(device.setPortOpen(true));
}

void TestQtSerialPortDevice::settingsOnOpenPort()
{
    Pty pty;
    auto device = openOnPty(pty, 4, QStringLiteral("4800, n,8,1"));
    QVERIFY(device);
    // Refused by the device: reported, and the port goes on as before.
    QVERIFY(!device->setSettings(QStringLiteral("4800, E,7,1")));
    QVERIFY(device->portOpen());
    QVERIFY(device->setSettings(QStringLiteral("19200, N,8,2")));
    QVERIFY(device->setHandshaking(2));
    QVERIFY(device->output(QStringLiteral("AP1045;\r")));
    QCOMPARE(pty.read(8), QByteArray("AP1045;\r"));
}

void TestQtSerialPortDevice::everyByteBothWays_data()
{
    QTest::addColumn<int>("handshaking");
    QTest::newRow("none") << 0;
    QTest::newRow("RTS/CTS") << 2;
    QTest::newRow("RTS/CTS and XON/XOFF keeps 0x11 and 0x13") << 3;
}

void TestQtSerialPortDevice::everyByteBothWays()
{
    QFETCH(int, handshaking);
    Pty pty;
    auto device = openOnPty(pty, 8, QStringLiteral("9600, n,8,1"), handshaking);
    QVERIFY(device);
    const QByteArray bytes = everyByte();
    const QString text = QString::fromLatin1(bytes);
    QCOMPARE(text.size(), 256);

    QVERIFY(device->output(text));
    QCOMPARE(pty.read(256), bytes);
    QVERIFY(pty.readAvailable().isEmpty()); // nothing added

    QSignalSpy ready(device.get(), &SerialPort::readyRead);
    QVERIFY(pty.send(bytes));
    QString received;
    QTRY_VERIFY((received += device->input()).size() >= 256);
    QCOMPARE(received, text);
    QVERIFY(ready.count() >= 1);
}

void TestQtSerialPortDevice::writesInOrderAndWhole()
{
    Pty pty;
    auto device = openOnPty(pty, 9);
    QVERIFY(device);
    // A burst bigger than one pty buffer turn: what the device cannot take at once follows.
    QByteArray expected;
    for (int i = 0; i < 200; ++i) {
        const QString command = QStringLiteral("\x02"
                                               "AG%1\r")
                                    .arg(i % 360, 3, 10, QChar(u'0'));
        QVERIFY(device->output(command));
        expected += command.toLatin1();
    }
    QCOMPARE(pty.read(expected.size()), expected);
}

void TestQtSerialPortDevice::wideCharacterRefused()
{
    Pty pty;
    auto device = openOnPty(pty, 10);
    QVERIFY(device);
    QVERIFY(!device->output(QStringLiteral("AP1\u20ac;")));
    QVERIFY(device->errorString().contains(u"20ac"));
    QVERIFY(pty.readAvailable().isEmpty()); // not a byte of it
    QVERIFY(device->portOpen());
    QVERIFY(device->output(QStringLiteral("\u00ff")));
    QCOMPARE(pty.read(1), QByteArray("\xff"));
}

void TestQtSerialPortDevice::waitingCount()
{
    Pty pty;
    auto device = openOnPty(pty, 11);
    QVERIFY(device);
    QCOMPARE(device->inBufferCount(), 0);
    QVERIFY(pty.send(QByteArray("+0\x00\x11\x13", 5)));
    QTRY_COMPARE(device->inBufferCount(), 5);
    QCOMPARE(device->input(), QString::fromLatin1("+0\x00\x11\x13", 5));
    QCOMPARE(device->inBufferCount(), 0);
    QVERIFY(device->input().isEmpty());
}

void TestQtSerialPortDevice::heldByAnotherProcess()
{
    Pty pty;
    QVERIFY(pty.isValid());
    link(4, pty.slavePath());
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QString::fromLatin1(kHoldArgument), m_dir->path(), QStringLiteral("4")});
    QVERIFY(holder.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += holder.readAllStandardOutput()).contains("held") ||
                                 holder.state() == QProcess::NotRunning,
                             10000);
    QVERIFY2(said.contains("held"), holder.readAllStandardError().constData());

    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(4));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());
    QVERIFY2(device.errorString().contains(u"in use"), qPrintable(device.errorString()));

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY2(device.setPortOpen(true), qPrintable(device.errorString()));
}

void TestQtSerialPortDevice::controllerHangsUp()
{
    Pty pty;
    auto device = openOnPty(pty, 12);
    QVERIFY(device);
    QSignalSpy lost(device.get(), &SerialPort::portLost);
    QVERIFY(pty.send("+1"));
    QTRY_COMPARE(device->inBufferCount(), 2);

    pty.closeMaster(); // the controller is gone; our own slave fd stays open
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 5000);
    QVERIFY(!device->portOpen());
    // Let the event loop run a good while: a second report or a spinning error would show here.
    int turns = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&turns] { ++turns; });
    ticker.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(turns >= 20, 10000);
    QCOMPARE(lost.count(), 1);

    const QString reason = lost.first().first().toString();
    QVERIFY2(reason.contains(pty.slavePath()), qPrintable(reason));
    QCOMPARE(device->errorString(), reason);
    QCOMPARE(device->inBufferCount(), 0);
    QVERIFY(device->input().isEmpty());
    QVERIFY(!device->output(QStringLiteral("x")));
    QVERIFY(!device->setPortOpen(false));

    // A new controller on the same port number: the port opens again.
    Pty again;
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("com12"))));
    link(12, again.slavePath());
    QVERIFY2(device->setPortOpen(true), qPrintable(device->errorString()));
    QVERIFY(device->output(QStringLiteral("ok")));
    QCOMPARE(again.read(2), QByteArray("ok"));
    QCOMPARE(lost.count(), 1);
}

void TestQtSerialPortDevice::hangUpWhileClosed()
{
    Pty pty;
    auto device = openOnPty(pty, 13);
    QVERIFY(device);
    QSignalSpy lost(device.get(), &SerialPort::portLost);
    QVERIFY(device->setPortOpen(false));
    pty.closeMaster();
    QTest::qWait(100);
    QCOMPARE(lost.count(), 0);
    QVERIFY(!device->portOpen());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], kHoldArgument) == 0)
        return holdPort(QString::fromLocal8Bit(argv[2]), QString::fromLatin1(argv[3]).toInt());
    TestQtSerialPortDevice test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_qtserialportdevice.moc"
