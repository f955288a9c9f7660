// The real serial port on pseudo-terminal pairs: settings, every byte value both ways,
// exclusive access against a second process, the controller side going away.
#include "app/DevicePath.h"
#include "app/SerialSettings.h"
#include "app/serial/QtSerialPortDevice.h"
#include "tests/support/Pty.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {
// The child process's part of the exclusive-access test: hold the device until stdin closes.
int holdPort(const char *configDir, const char *port)
{
    QtSerialPortDevice device(QString::fromLocal8Bit(configDir));
    if (!device.setCommPort(atoi(port)) || !device.setSettings(QStringLiteral("9600,N,8,1")) ||
        !device.setPortOpen(true))
        return 2;
    std::puts("held");
    std::fflush(stdout);
    char buffer[8];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}
} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void settingsParse_data();
    void settingsParse();
    void devicePath();
    void refusals();
    void openFailures();
    void ptyRefusesParity();
    void everyByteBothWays();
    void exclusiveAgainstAnotherProcess();
    void controllerHangsUp();

private:
    void link(int port, const QString &target);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSerialPort::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSerialPort::link(int port, const QString &target)
{
    QVERIFY(QFile::link(target, m_dir->filePath(QStringLiteral("com%1").arg(port))));
}

void TestSerialPort::settingsParse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::newRow("the program's form") << "4800, n,8,1" << true << 4800 << 8;
    QTest::newRow("no blank") << "9600,N,8,1" << true << 9600 << 8;
    QTest::newRow("even 7 2") << "1200,E,7,2" << true << 1200 << 7;
    QTest::newRow("odd mark space") << "2400, o,5,1.5" << true << 2400 << 5;
    QTest::newRow("blanks everywhere") << "38400,  S,  6,  2" << true << 38400 << 6;
    QTest::newRow("blank before comma") << "4800 ,n,8,1" << false << 0 << 0;
    QTest::newRow("parity X") << "4800,x,8,1" << false << 0 << 0;
    QTest::newRow("9 bits") << "4800,n,9,1" << false << 0 << 0;
    QTest::newRow("stop 3") << "4800,n,8,3" << false << 0 << 0;
    QTest::newRow("baud 0") << "0,n,8,1" << false << 0 << 0;
    QTest::newRow("baud missing") << ",n,8,1" << false << 0 << 0;
    QTest::newRow("too few fields") << "4800,n,8" << false << 0 << 0;
    QTest::newRow("trailing") << "4800,n,8,1,x" << false << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0;
}

void TestSerialPort::settingsParse()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    const std::optional<SerialSettings> settings = SerialSettings::parse(text);
    QCOMPARE(settings.has_value(), accepted);
    if (accepted) {
        QFETCH(int, baud);
        QFETCH(int, dataBits);
        QCOMPARE(settings->baud, baud);
        QCOMPARE(settings->dataBits, dataBits);
    }
    QtSerialPortDevice device(m_dir->path());
    QCOMPARE(device.setSettings(text), accepted);
}

void TestSerialPort::devicePath()
{
    link(3, QStringLiteral("/dev/ttyUSB7"));
    QVERIFY(QFile::link(QStringLiteral("sub/dev"), m_dir->filePath(QStringLiteral("com4"))));
    QCOMPARE(DevicePath::forPort(m_dir->path(), 3).path, QStringLiteral("/dev/ttyUSB7"));
    QVERIFY(DevicePath::forPort(m_dir->path(), 3).linked);
    QCOMPARE(DevicePath::forPort(m_dir->path(), 4).path,
             m_dir->filePath(QStringLiteral("sub/dev")));
    QCOMPARE(DevicePath::forPort(m_dir->path(), 1).path, QStringLiteral("/dev/ttyS0"));
    QCOMPARE(DevicePath::forPort(m_dir->path(), 16).path, QStringLiteral("/dev/ttyS15"));
    QVERIFY(DevicePath::forPort(m_dir->path(), 0).path.isEmpty());
    QCOMPARE(DevicePath::describe(m_dir->path(), 3), QStringLiteral("config/com3 -> /dev/ttyUSB7"));
    QCOMPARE(DevicePath::describe(m_dir->path(), 2), QStringLiteral("/dev/ttyS1"));
}

void TestSerialPort::refusals()
{
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(!device.setCommPort(0));
    QVERIFY(!device.setCommPort(-3));
    for (int mode : {0, 1, 2, 3})
        QVERIFY(device.setHandshaking(mode));
    QVERIFY(!device.setHandshaking(4));
    QVERIFY(!device.setHandshaking(-1));
    QVERIFY(device.setInputLen(0));
    QCOMPARE(device.inBufferCount(), 0);
    QVERIFY(device.input().isEmpty());
    QVERIFY(!device.output(QStringLiteral("AP1045;\r")));
    QVERIFY(!device.errorString().isEmpty());
    QVERIFY(!device.setPortOpen(false));
}

void TestSerialPort::openFailures()
{
    link(5, m_dir->filePath(QStringLiteral("nothing-here")));
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(5));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());

    Pty pty;
    QVERIFY(pty.isValid());
    link(6, pty.slavePath());
    QVERIFY(device.setCommPort(6));
    QVERIFY(device.setSettings(QStringLiteral("4800, n,8,1")));
    QVERIFY(device.setPortOpen(true));
    QVERIFY(!device.setPortOpen(true)); // already open
    QVERIFY(!device.setCommPort(7));    // not while open
    QVERIFY(device.portOpen());
    QVERIFY(device.setPortOpen(false));
    QVERIFY(!device.setPortOpen(false));
}

void TestSerialPort::ptyRefusesParity()
{
    // A pty takes 8 bits without parity only: the device's refusal is an open failure.
    Pty pty;
    link(2, pty.slavePath());
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(2));
    QVERIFY(device.setSettings(QStringLiteral("4800, E,7,1")));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());
    QVERIFY(device.setSettings(QStringLiteral("4800, n,8,2")));
    QVERIFY(device.setPortOpen(true));
}

void TestSerialPort::everyByteBothWays()
{
    Pty pty;
    link(3, pty.slavePath());
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(3));
    QVERIFY(device.setSettings(QStringLiteral("9600,N,8,1")));
    QVERIFY(device.setHandshaking(0));
    QVERIFY(device.setPortOpen(true));

    QString all;
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        all += QChar(i);
        bytes += char(i);
    }
    QVERIFY(device.output(all));
    QCOMPARE(pty.read(256), bytes);

    QSignalSpy ready(&device, &SerialPort::readyRead);
    QVERIFY(pty.send(bytes));
    QString received;
    QTRY_VERIFY((received += device.input()).size() >= 256);
    QCOMPARE(received, all);
    QVERIFY(ready.count() >= 1);

    QVERIFY(!device.output(QStringLiteral("\u0100"))); // not one byte
}

void TestSerialPort::exclusiveAgainstAnotherProcess()
{
    Pty pty;
    link(4, pty.slavePath());
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold"), m_dir->path(), QStringLiteral("4")});
    QVERIFY(holder.waitForStarted());
    QByteArray said;
    QTRY_VERIFY2_WITH_TIMEOUT((said += holder.readAllStandardOutput()).contains("held") ||
                                  holder.state() == QProcess::NotRunning,
                              qPrintable(holder.readAllStandardError()), 10000);
    QVERIFY2(said.contains("held"), qPrintable(QString::number(holder.exitCode())));

    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(4));
    QVERIFY(device.setSettings(QStringLiteral("9600,N,8,1")));
    QVERIFY(!device.setPortOpen(true));
    QVERIFY(!device.portOpen());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY(device.setPortOpen(true));
}

void TestSerialPort::controllerHangsUp()
{
    auto pty = std::make_unique<Pty>();
    link(8, pty->slavePath());
    QtSerialPortDevice device(m_dir->path());
    QVERIFY(device.setCommPort(8));
    QVERIFY(device.setSettings(QStringLiteral("9600,N,8,1")));
    QVERIFY(device.setPortOpen(true));
    QSignalSpy lost(&device, &SerialPort::portLost);
    pty.reset(); // master and our slave fd closed: the controller is gone
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 5000);
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!device.portOpen());
    QCOMPARE(device.inBufferCount(), 0);
    QVERIFY(!device.output(QStringLiteral("x")));
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return holdPort(argv[2], argv[3]);
    }
    QCoreApplication app(argc, argv);
    TestSerialPort test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_serialport.moc"
