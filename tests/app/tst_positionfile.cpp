// The window position file: its bytes and how a damaged or missing one places the window.
#include "app/PositionFile.h"

#include <QTemporaryDir>
#include <QTest>

class TestPositionFile : public QObject
{
    Q_OBJECT
private slots:
    void format_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("design example")
            << 1500 << 3000 << QByteArray::fromHex("2031353030200D0A2033303030200D0A");
        QTest::newRow("zero") << 0 << 0 << QByteArray(" 0 \r\n 0 \r\n");
        QTest::newRow("negative") << -480000 << -15 << QByteArray("-480000 \r\n-15 \r\n");
    }
    void format()
    {
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(QByteArray, bytes);
        QCOMPARE(PositionFile::format(top, left), bytes);
        const PositionFile::Position back = PositionFile::parse(bytes);
        QCOMPARE(back.top, double(top));
        QCOMPARE(back.left, double(left));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("left");
        QTest::newRow("missing or empty") << QByteArray() << 0.0 << 0.0;
        QTest::newRow("one line") << QByteArray(" 1200 \r\n") << 1200.0 << 1200.0;
        QTest::newRow("one line without end") << QByteArray("750") << 750.0 << 750.0;
        QTest::newRow("text") << QByteArray("abc\r\n 300 \r\n") << 0.0 << 300.0;
        QTest::newRow("numeric prefix") << QByteArray("  12x5\r\n-3.5e2z\r\n") << 12.0 << -350.0;
        QTest::newRow("empty second line") << QByteArray(" 10 \r\n\r\n") << 10.0 << 0.0;
        QTest::newRow("lone CR") << QByteArray(" 10 \r 20 \r") << 10.0 << 20.0;
        QTest::newRow("minimised")
            << QByteArray("-480000 \r\n-480000 \r\n") << -480000.0 << -480000.0;
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, top);
        QFETCH(double, left);
        const PositionFile::Position position = PositionFile::parse(bytes);
        QCOMPARE(position.top, top);
        QCOMPARE(position.left, left);
    }

    void writeCreatesTheFolderAndReplacesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/DDEpos.ini"));
        QVERIFY(PositionFile::write(path, 1500, 3000));
        QVERIFY(PositionFile::write(path, 15, 30));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray(" 15 \r\n 30 \r\n"));
    }

    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        // The config "folder" is a regular file: nothing can be written below it, even as root.
        QFile blocker(dir.filePath(QStringLiteral("config")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!PositionFile::write(dir.filePath(QStringLiteral("config/DDEpos.ini")), 1, 2));

        // An earlier file beside a failing write is left as it was.
        const QString path = dir.filePath(QStringLiteral("pos.ini"));
        QVERIFY(PositionFile::write(path, 1500, 3000));
        QVERIFY(!PositionFile::write(dir.filePath(QStringLiteral("config/pos.ini")), 1, 2));
        QCOMPARE(PositionFile::read(path).top, 1500.0);
    }
};

QTEST_GUILESS_MAIN(TestPositionFile)
#include "tst_positionfile.moc"
