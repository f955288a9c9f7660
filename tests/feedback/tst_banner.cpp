#include "core/MainPanel.h"
#include "feedback/Banner.h"

#include <QSet>
#include <QTest>

#include <array>

using Item = MainPanel::Item;

// The banner line: its lines, its fixed sequence and its timer.
class TestBanner : public QObject
{
    Q_OBJECT
private slots:
    void lines();
    void everyDrawGivesALine();
    void allTenLinesAppear();
    void sameSequenceEveryRun();
    void timer();
};

void TestBanner::lines()
{
    QSet<QString> distinct;
    for (const QString &line : Banner::kLines) {
        QVERIFY2(line.startsWith(u' ') && line.size() > 1 && line[1] != u' ', qPrintable(line));
        distinct.insert(line);
    }
    QCOMPARE(distinct.size(), Banner::kLineCount);
    QCOMPARE(Banner::caption(1), QStringLiteral("SORVIKDDE v2.3") + Banner::kLines[0]);
    QCOMPARE(Banner::caption(10), QStringLiteral("SORVIKDDE v2.3") + Banner::kLines[9]);
}

void TestBanner::everyDrawGivesALine()
{
    // The whole period of the generator: every value is below 1, and every line has its
    // tenth of the values, give or take the rounding at the borders.
    BannerRandom random;
    std::array<qint64, Banner::kLineCount + 1> counts{};
    constexpr qint64 kPeriod = qint64(1) << 24;
    for (qint64 i = 0; i < kPeriod; ++i) {
        const float u = random.next();
        QVERIFY(u >= 0.0f && u < 1.0f);
        ++counts[std::size_t(Banner::lineNumber(u))];
    }
    QCOMPARE(counts[0], 0);
    for (int r = 1; r <= Banner::kLineCount; ++r)
        QVERIFY2(qAbs(counts[std::size_t(r)] - kPeriod / 10) <= 2, qPrintable(QString::number(r)));
    // A full period brings the generator back where it started.
    BannerRandom fresh;
    QCOMPARE(random.next(), fresh.next());
}

void TestBanner::allTenLinesAppear()
{
    MainPanel panel;
    Banner banner(panel);
    QHash<QString, int> seen;
    constexpr int kTicks = 1000;
    for (int i = 0; i < kTicks; ++i) {
        banner.RTX1_Timer();
        ++seen[panel.text(Item::Label4)];
    }
    QCOMPARE(seen.size(), Banner::kLineCount);
    for (int r = 1; r <= Banner::kLineCount; ++r) {
        const int count = seen.value(Banner::caption(r));
        QVERIFY2(count > kTicks / 20 && count < kTicks / 5, qPrintable(Banner::caption(r)));
    }
}

void TestBanner::sameSequenceEveryRun()
{
    const auto run = [] {
        MainPanel panel;
        Banner banner(panel);
        QStringList captions;
        for (int i = 0; i < 200; ++i) {
            banner.RTX1_Timer();
            captions << panel.text(Item::Label4);
        }
        return captions;
    };
    const QStringList first = run();
    QCOMPARE(run(), first);
    // Not one line over and over.
    QVERIFY(QSet<QString>(first.begin(), first.end()).size() > 1);
}

void TestBanner::timer()
{
    MainPanel panel;
    const QString startLine = panel.text(Item::Label4);
    Banner banner(panel);
    auto *rtx1 = banner.findChild<QTimer *>(QStringLiteral("RTX1"));
    QVERIFY(rtx1);
    QCOMPARE(rtx1->interval(), 10000);
    QVERIFY(!rtx1->isActive());
    banner.start();
    QVERIFY(rtx1->isActive());
    // Starting changes nothing until the first tick.
    QCOMPARE(panel.text(Item::Label4), startLine);
    banner.rearm();
    QVERIFY(rtx1->isActive());
    QCOMPARE(rtx1->interval(), 10000);
    // Each tick draws a line (the period shortened, not to wait 10 s).
    rtx1->start(1);
    QTRY_VERIFY(panel.text(Item::Label4) != startLine);
}

QTEST_GUILESS_MAIN(TestBanner)
#include "tst_banner.moc"
