// A storm of SIGTERMs: the bridge's handler never blocks nor changes errno, and the main thread
// sees one request to quit.
#include "rotctld/QuitSignals.h"
#include "tests/support/SignalStorm.h"

#include <QSignalSpy>
#include <QTest>

class TestQuitSignals : public QObject
{
    Q_OBJECT
private slots:
    void stormKeepsErrnoAndQuitsOnce();
};

void TestQuitSignals::stormKeepsErrnoAndQuitsOnce()
{
    QuitSignals signalsToQuit;
    QSignalSpy caught(&signalsToQuit, &QuitSignals::caught);
    QCOMPARE(errnoChangesInSignalStorm(SIGTERM), 0);
    QVERIFY(caught.wait());
    QCOMPARE(caught.size(), 1);
}

QTEST_GUILESS_MAIN(TestQuitSignals)
#include "tst_quitsignals.moc"
