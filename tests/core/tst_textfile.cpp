// The two small text files: how their bytes become lines, what is refused as a file (nothing may
// block or read forever), and a write that never leaves a cut file behind.
#include "core/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void splitLines_data();
    void splitLines();
    void readsRegularFilesOnly_data();
    void readsRegularFilesOnly();
    void readsAtMostOneMebibyte();
    void writeReplacesWholeOrNotAtAll();
};

void TestTextFile::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("one line without end") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("cr lf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("lone lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("mixed ends") << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty line between") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("only an end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("two empty lines") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("cr cr lf is two ends") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("blanks kept") << QByteArray(" a \r\n\t") << QStringList{" a ", "\t"};
    QTest::newRow("latin-1 byte for byte")
        << QByteArray("caf\xe9\r\n\xff") << QStringList{QStringLiteral("caf\u00e9"), "\u00ff"};
    QTest::newRow("nul byte kept")
        << QByteArray("a\0b", 3) << QStringList{QString::fromLatin1("a\0b", 3)};
}

void TestTextFile::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(TextFile::splitLines(bytes), lines);
}

void TestTextFile::readsRegularFilesOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::newRow("regular file") << "file" << true;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("FIFO without a writer") << "fifo" << false;
    QTest::newRow("link to /dev/zero") << "zero" << false;
    QTest::newRow("link to a regular file") << "link" << true;
}

void TestTextFile::readsRegularFilesOnly()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SorvikDDE.ini"));
    const QString target = dir.filePath(QStringLiteral("target"));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\r\n2\r\n");
    }
    if (kind == u"file")
        QVERIFY(QFile::copy(target, path));
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == u"link")
        QVERIFY(QFile::link(target, path));

    QString error;
    const std::optional<QByteArray> bytes = TextFile::read(path, &error);
    QCOMPARE(bytes.has_value(), readable);
    if (readable)
        QCOMPARE(*bytes, QByteArray("1\r\n2\r\n"));
    else
        QVERIFY(!error.isEmpty());
}

void TestTextFile::readsAtMostOneMebibyte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2 * TextFile::kMaxRead, 'x'));
    file.close();
    const std::optional<QByteArray> bytes = TextFile::read(path);
    QVERIFY(bytes);
    QCOMPARE(bytes->size(), TextFile::kMaxRead);
}

void TestTextFile::writeReplacesWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DDEpos.ini"));
    QVERIFY(TextFile::write(path, "old\r\n"));
    QVERIFY(TextFile::write(path, "new\r\n"));
    QCOMPARE(TextFile::read(path).value_or(QByteArray()), QByteArray("new\r\n"));

    // A size limit below the new content: the write fails and the old file stays whole.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = TextFile::write(path, QByteArray(64, 'y'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(TextFile::read(path).value_or(QByteArray()), QByteArray("new\r\n"));

    // A folder that cannot be written.
    QVERIFY(!TextFile::write(dir.filePath(QStringLiteral("no/such/folder/file")), "x"));

    // Never through a link into a device or to where a dangling link points; a link to a
    // regular file is written through.
    const QString device = dir.filePath(QStringLiteral("to-null"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), device));
    QVERIFY(!TextFile::write(device, "x"));
    QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());
    const QString dangling = dir.filePath(QStringLiteral("dangling"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dangling));
    QVERIFY(!TextFile::write(dangling, "x"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
    const QString toFile = dir.filePath(QStringLiteral("to-file"));
    QVERIFY(QFile::link(path, toFile));
    QVERIFY(TextFile::write(toFile, "linked\r\n"));
    QCOMPARE(TextFile::read(path).value_or(QByteArray()), QByteArray("linked\r\n"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
