#include "app/link/DdeService.h"
#include "core/MainPanel.h"
#include "core/Pauser.h"
#include "core/RotorProfile.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QtTest>

// Without a session bus the link stays off and says why; the panel keeps working.
class TestDdeServiceNoBus : public QObject
{
    Q_OBJECT
private slots:
    void startFailsWithReason()
    {
        MainPanel panel;
        RotorProfile profile;
        FakeSerialPort port;
        RecordingMessageBoxes boxes;
        CountingBeeper beeper;
        TimerPauser pauser;
        RotorState state;
        RotorControl rotor(panel, profile, port, boxes, beeper, pauser, state);
        DdeService service(panel, rotor, state);
        QVERIFY(!service.start(QStringLiteral("org.sorvik.sorvikdde")));
        QVERIFY(!service.isRunning());
        const QString reason = service.errorString();
        QVERIFY2(reason.startsWith(QStringLiteral("DDE link off: no D-Bus session bus (")),
                 qPrintable(reason));
        QVERIFY2(!reason.endsWith(QStringLiteral("()")), qPrintable(reason));
        QVERIFY(!reason.contains(QLatin1Char('\n')));

        // A second attempt fails the same way, and changes still reach the panel.
        QVERIFY(!service.start(QStringLiteral("org.sorvik.sorvikdde")));
        QCOMPARE(service.errorString(), reason);
        QSignalSpy set(&panel, &MainPanel::text1Set);
        panel.setText(MainPanel::Item::Text1, QStringLiteral("OK"));
        panel.setText(MainPanel::Item::LblGradi, QStringLiteral("045"));
        QCOMPARE(set.count(), 1);
        QCOMPARE(panel.text(MainPanel::Item::Text1), QStringLiteral("OK"));
    }
};

QTEST_GUILESS_MAIN(TestDdeServiceNoBus)
#include "tst_ddeservice_nobus.moc"
