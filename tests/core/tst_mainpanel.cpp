// The traffic box's bound, and how the link names the items.
#include "core/MainPanel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using Item = MainPanel::Item;

namespace {
// A text whose characters tell their place, so a cut at the wrong place shows.
QString numbered(qsizetype size, char16_t first = u'a')
{
    QString text;
    text.reserve(size);
    for (qsizetype i = 0; i < size; ++i)
        text += QChar(char16_t(first + i % 26));
    return text;
}
} // namespace

class TestMainPanel : public QObject
{
    Q_OBJECT
private slots:
    void trafficBoxBound_data();
    void trafficBoxBound();
    void trafficBoxStaysBoundedForEver();
    void itemNamesAreExact();
};

void TestMainPanel::trafficBoxBound_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("length");
    // The designed cut: a box over 10000 loses its first 3000 before the chunk comes.
    QTest::newRow("small box") << 100 << 5 << 0 << 105;
    QTest::newRow("exactly 10000 is not cut") << 10000 << 5 << 0 << 10005;
    QTest::newRow("10001 loses 3000") << 10001 << 5 << 3000 << 7006;
    QTest::newRow("13000 with a 3000 chunk") << 13000 << 3000 << 3000 << 13000;
    // Beyond what one cut can mend, as many cuts as it takes.
    QTest::newRow("13001 loses 6000") << 13001 << 5 << 6000 << 7006;
    QTest::newRow("20000 loses 12000") << 20000 << 1 << 12000 << 8001;
    QTest::newRow("chunk of 10000 kept whole") << 10000 << 10000 << 0 << 20000;
    QTest::newRow("longer chunk by its last 10000") << 500 << 25000 << 0 << 10500;
}

void TestMainPanel::trafficBoxBound()
{
    QFETCH(int, box);
    QFETCH(int, chunk);
    QFETCH(int, removed);
    QFETCH(int, length);
    MainPanel panel;
    const QString before = numbered(box);
    const QString incoming = numbered(chunk, u'A');
    panel.setText(Item::TBox, before);
    QSignalSpy appended(&panel, &MainPanel::tboxAppended);

    panel.appendTBox(incoming);

    const QString after = panel.text(Item::TBox);
    QCOMPARE(after.size(), length);
    QCOMPARE(after, before.mid(removed) + incoming.right(MainPanel::kTBoxLimit));
    QCOMPARE(appended.count(), 1);
    QCOMPARE(appended[0][0].value<qsizetype>(), qsizetype(removed));
    QCOMPARE(appended[0][1].toString(), incoming.right(MainPanel::kTBoxLimit));
}

void TestMainPanel::trafficBoxStaysBoundedForEver()
{
    // A controller that floods with chunks of any size: never more than 10000 plus the chunk.
    MainPanel panel;
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        const QString chunk = numbered(random.bounded(1, 15000));
        panel.appendTBox(chunk);
        const qsizetype shown = qMin(chunk.size(), MainPanel::kTBoxLimit);
        QVERIFY(panel.text(Item::TBox).size() <= MainPanel::kTBoxLimit + shown);
        QVERIFY(panel.text(Item::TBox).endsWith(chunk.right(shown)));
    }
}

void TestMainPanel::itemNamesAreExact()
{
    QCOMPARE(MainPanel::itemFromName(QStringLiteral("LblGradi")), Item::LblGradi);
    for (const char *name : {"text1", "MainPanel::Text1", "Text1 ", "", "Menu"})
        QVERIFY2(!MainPanel::itemFromName(QString::fromLatin1(name)), name);
}

QTEST_GUILESS_MAIN(TestMainPanel)
#include "tst_mainpanel.moc"
