// Which device a port number opens: config/comN links, else /dev/ttyS<N-1>. Nothing is opened.
#include "core/DevicePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestDevicePath : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void resolve_data();
    void resolve();
    void belowOne_data();
    void belowOne();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDevicePath::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDevicePath::resolve_data()
{
    // "@" in a path stands for the config folder, "#" in a shown text for the expected path.
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("linkTarget"); // empty: no link; "file": a plain file comN
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QString>("shown");
    QTest::newRow("absolute link") << 3 << "/dev/ttyUSB0"
                                   << "/dev/ttyUSB0" << true << "config/com3 -> /dev/ttyUSB0";
    QTest::newRow("by-id link") << 2 << "/dev/serial/by-id/usb-FTDI-if00"
                                << "/dev/serial/by-id/usb-FTDI-if00" << true
                                << "config/com2 -> /dev/serial/by-id/usb-FTDI-if00";
    QTest::newRow("relative link") << 4 << "sub/dev"
                                   << "@/sub/dev" << true << "config/com4 -> #";
    QTest::newRow("relative upwards") << 5 << "../elsewhere"
                                      << "@/../elsewhere" << true << "config/com5 -> #";
    QTest::newRow("no link, port 1") << 1 << ""
                                     << "/dev/ttyS0" << false << "/dev/ttyS0";
    QTest::newRow("no link, port 3") << 3 << ""
                                     << "/dev/ttyS2" << false << "/dev/ttyS2";
    QTest::newRow("no link, port 16") << 16 << ""
                                      << "/dev/ttyS15" << false << "/dev/ttyS15";
    QTest::newRow("plain file is no link") << 7 << "file"
                                           << "/dev/ttyS6" << false << "/dev/ttyS6";
}

void TestDevicePath::resolve()
{
    QFETCH(int, port);
    QFETCH(QString, linkTarget);
    QFETCH(QString, path);
    QFETCH(bool, linked);
    QFETCH(QString, shown);
    const QString dir = m_dir->path();
    const QString linkName = QDir(dir).filePath(QStringLiteral("com%1").arg(port));
    if (linkTarget == u"file") {
        QFile file(linkName);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (!linkTarget.isEmpty()) {
        QVERIFY(QFile::link(linkTarget, linkName));
    }
    // A link to another port number must not leak into this one.
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB9"),
                        QDir(dir).filePath(QStringLiteral("com%1").arg(port + 1))));

    const QString expectedPath = QDir::cleanPath(QString(path).replace(u'@', dir));
    const DevicePath device = DevicePath::forPort(dir, port);
    QCOMPARE(QDir::cleanPath(device.path), expectedPath);
    QCOMPARE(device.linked, linked);
    QCOMPARE(QString(DevicePath::describe(dir, port)).replace(device.path, expectedPath),
             QString(shown).replace(u'#', expectedPath));
}

void TestDevicePath::belowOne_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("0") << 0;
    QTest::newRow("-1") << -1;
    QTest::newRow("most negative") << std::numeric_limits<int>::min();
}

void TestDevicePath::belowOne()
{
    QFETCH(int, port);
    // Even a link named after the number is not used.
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB0"),
                        m_dir->filePath(QStringLiteral("com%1").arg(port))));
    const DevicePath device = DevicePath::forPort(m_dir->path(), port);
    QVERIFY(device.path.isEmpty());
    QVERIFY(!device.linked);
    QVERIFY(!DevicePath::describe(m_dir->path(), port).contains(u"/dev/"));
}

QTEST_GUILESS_MAIN(TestDevicePath)
#include "tst_devicepath.moc"
