#include "configuration/ConfigFile.h"

#include <QTest>

class TestConfigFile : public QObject
{
    Q_OBJECT
private slots:
    void profileLines_data();
    void profileLines();
    void formatWritesThirtyLines();
    void formatKeepsLatin1BytesAndIgnoresLinesPast21();
    void storable_data();
    void storable();
};

static QByteArray numberedLines(int first, int last)
{
    QByteArray bytes;
    for (int i = first; i <= last; ++i)
        bytes += QByteArray::number(i) + "\r\n";
    return bytes;
}

static QStringList numbers(int first, int last)
{
    QStringList list;
    for (int i = first; i <= last; ++i)
        list << QString::number(i);
    return list;
}

void TestConfigFile::profileLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("no comments") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("comments before, between, after")
        << QByteArray("#head\r\na\r\n# note\r\n#\r\nb\r\n#tail") << QStringList{"a", "b"};
    QTest::newRow("blank before # is a line") << QByteArray(" #x\r\na") << QStringList{" #x", "a"};
    QTest::newRow("# later in the line is text") << QByteArray("a#b") << QStringList{"a#b"};
    QTest::newRow("empty line counts") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("only comments") << QByteArray("#a\r\n#b\r\n") << QStringList();
    QTest::newRow("29 lines") << numberedLines(1, 29) << numbers(1, 29);
    QTest::newRow("more than 29 lines stops at the 29th") << numberedLines(1, 40) << numbers(1, 29);
    QTest::newRow("comments do not count towards 29")
        << QByteArray("#a\r\n#b\r\n") + numberedLines(1, 35) << numbers(1, 29);
    QTest::newRow("comment after the 29th changes nothing")
        << numberedLines(1, 29) + "#late\r\n30\r\n"
        << numbers(1, 29);
}

void TestConfigFile::profileLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, stored);
    QCOMPARE(ConfigFile::profileLines(bytes), stored);
}

void TestConfigFile::formatWritesThirtyLines()
{
    Configuration::Lines lines;
    for (int i = 1; i <= 21; ++i)
        lines[i] = QStringLiteral("L%1").arg(i);
    lines[4] = QString(); // an empty profile line is written as an empty line

    QByteArray expected;
    for (int i = 1; i <= 21; ++i)
        expected += (i == 4 ? QByteArray() : "L" + QByteArray::number(i)) + "\r\n";
    expected += " 22 \r\n 23 \r\n 24 \r\n 25 \r\n 26 \r\n 27 \r\n 28 \r\n 29 \r\n 30 \r\n";

    const QByteArray bytes = ConfigFile::format(lines);
    QCOMPARE(bytes, expected);
    QCOMPARE(bytes.count("\r\n"), 30);
    QCOMPARE(bytes.count('\r'), 30);
    QCOMPARE(bytes.count('\n'), 30);
    // What is written reads back as the same lines.
    QCOMPARE(ConfigFile::profileLines(bytes).mid(0, 21),
             QStringList(lines.begin() + 1, lines.begin() + 22));
}

void TestConfigFile::formatKeepsLatin1BytesAndIgnoresLinesPast21()
{
    Configuration::Lines lines;
    lines[1] = QStringLiteral("caf\u00e9\u00ff");
    for (int i = 22; i <= 30; ++i)
        lines[i] = QStringLiteral("stale");

    const QByteArray bytes = ConfigFile::format(lines);
    QVERIFY(bytes.startsWith("caf\xe9\xff\r\n"));
    QVERIFY(!bytes.contains("stale"));
    QVERIFY(bytes.endsWith("\r\n 29 \r\n 30 \r\n"));
}

void TestConfigFile::storable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("storable");

    QTest::newRow("list item") << "0 - NONE" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blank then #") << " #1" << true;
    QTest::newRow("# inside") << "A#B" << true;
    QTest::newRow("latin-1") << QStringLiteral("\u00e9\u00ff") << true;
    QTest::newRow("starts with #") << "#1" << false;
    QTest::newRow("cr lf inside") << "a\r\nb" << false;
    QTest::newRow("lone cr") << "a\rb" << false;
    QTest::newRow("lone lf") << "a\n" << false;
    QTest::newRow("beyond latin-1") << QStringLiteral("\u0100") << false;
    QTest::newRow("euro sign") << QStringLiteral("\u20ac") << false;
}

void TestConfigFile::storable()
{
    QFETCH(QString, text);
    QFETCH(bool, storable);
    QCOMPARE(ConfigFile::storable(text), storable);
}

QTEST_APPLESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
