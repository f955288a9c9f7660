// A storm of close signals: the handler never blocks nor changes errno, and the UI thread sees
// one close request.
#include "app/SignalCloser.h"
#include "tests/support/SignalStorm.h"

#include <QSignalSpy>
#include <QTest>

class TestSignalCloser : public QObject
{
    Q_OBJECT
private slots:
    void stormKeepsErrnoAndClosesOnce();
};

void TestSignalCloser::stormKeepsErrnoAndClosesOnce()
{
    SignalCloser closer;
    QSignalSpy requests(&closer, &SignalCloser::closeRequested);
    QCOMPARE(errnoChangesInSignalStorm(SIGHUP), 0);
    QVERIFY(requests.wait());
    QCOMPARE(requests.size(), 1);
}

QTEST_GUILESS_MAIN(TestSignalCloser)
#include "tst_signalcloser.moc"
