#include "tests/dialog/DialogRig.h"

#include "configuration/ConfigDialogController.h"
#include "configuration/ConfigDialogView.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using Box = ConfigDialog::Box;
using Item = MainPanel::Item;

// Plays the operator while the dialog is "on screen": runs a script, then returns as a closing
// window does (at once after closeRequested or close(), or at the end of the script as by the
// close box).
class ScriptedView : public ConfigDialogView
{
public:
    void showModal(ConfigDialog &dialog) override
    {
        ++shows;
        shownBoxes = {};
        for (int i = 0; i < ConfigDialog::kBoxCount; ++i)
            shownBoxes << dialog.text(static_cast<Box>(i));
        shownLabel = dialog.lblRotore();
        QMetaObject::Connection connection =
            QObject::connect(&dialog, &ConfigDialog::closeRequested, [this] { ++closeRequests; });
        if (script)
            script(dialog);
        QObject::disconnect(connection);
    }
    void close() override { ++closes; }

    std::function<void(ConfigDialog &)> script;
    int shows = 0;
    int closes = 0;
    int closeRequests = 0;
    QStringList shownBoxes;
    QString shownLabel;
};

struct ControllerRig : DialogRig
{
    explicit ControllerRig(bool withFile = true)
        : DialogRig(withFile), controller(config, panel, port, boxes, beeper, view)
    {}
    ScriptedView view;
    ConfigDialogController controller;
};

class TestConfigDialogController : public QObject
{
    Q_OBJECT
private slots:
    void hiddenLoadClosesThePortAndStaysLoaded();
    void configAfterHiddenLoadShowsItWithoutLoadingAgain();
    void configLoadsWhenNotLoaded();
    void closingAppliesOnceAndDestroys_data();
    void closingAppliesOnceAndDestroys();
    void eachOpeningStartsFromTheDesignState();
    void unloadOfHiddenDialogApplies();
    void unloadWhileShownClosesTheWindowAndAppliesOnce();
    void modelBoxWhileShownReadsTheLiveBox();
};

void TestConfigDialogController::hiddenLoadClosesThePortAndStaysLoaded()
{
    ControllerRig rig;
    rig.writeFile(profileFile({"2", "9600", "N,8,1", "0 - NONE", "ARSWIN", "100", "0"}, kProfile2,
                              kProfile3));
    QVERIFY(rig.start());
    QVERIFY(!rig.controller.isLoaded());

    QCOMPARE(rig.controller.modelBoxText(), QStringLiteral("ARSWIN"));
    QVERIFY(rig.controller.isLoaded());
    QVERIFY(!rig.controller.isShown());
    QCOMPARE(rig.view.shows, 0);
    QVERIFY(!rig.port.portOpen());
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));

    // Read again: no second load, so the port reopened meanwhile stays open.
    rig.port.setPortOpen(true);
    rig.panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    QCOMPARE(rig.controller.modelBoxText(), QStringLiteral("ARSWIN"));
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM ON"));
    QCOMPARE(rig.port.closes, 1);
}

void TestConfigDialogController::configAfterHiddenLoadShowsItWithoutLoadingAgain()
{
    ControllerRig rig;
    QVERIFY(rig.start());
    rig.controller.modelBoxText();
    ConfigDialog *loaded = rig.controller.dialog();
    loaded->setText(Box::TxtErrore, QStringLiteral("12"));
    // The file changes under the loaded dialog: a new load would show it.
    rig.writeFile(profileFile(kProfile2, kProfile2, kProfile3));
    QVERIFY(rig.config.load());
    rig.port.setPortOpen(true);

    QSignalSpy unloaded(&rig.controller, &ConfigDialogController::unloaded);
    rig.view.script = [&](ConfigDialog &shown) {
        QCOMPARE(&shown, loaded);
        QVERIFY(rig.controller.isShown());
        QVERIFY(rig.port.portOpen()); // no Form_Load this time
    };
    rig.controller.showModal();

    QCOMPARE(rig.view.shows, 1);
    ProfileLines expected = kProfile1;
    expected[6] = QStringLiteral("12");
    QCOMPARE(rig.view.shownBoxes, toList(expected));
    QVERIFY(!rig.controller.isLoaded());
    QCOMPARE(unloaded.count(), 1);
}

void TestConfigDialogController::configLoadsWhenNotLoaded()
{
    ControllerRig rig(false);
    QVERIFY(!rig.start());
    rig.view.script = [&](ConfigDialog &) {
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    };
    rig.controller.showModal();

    QCOMPARE(rig.view.shownBoxes,
             (QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"}));
    QCOMPARE(rig.view.shownLabel, QStringLiteral("ROTOR-1 ACTIVE"));
}

void TestConfigDialogController::closingAppliesOnceAndDestroys_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << "close box";
    QTest::newRow("Exit") << "Exit";
    QTest::newRow("save failing in DEMO") << "save failure";
}

void TestConfigDialogController::closingAppliesOnceAndDestroys()
{
    QFETCH(QString, how);
    ControllerRig rig;
    QVERIFY(rig.start());
    rig.view.script = [&](ConfigDialog &dialog) {
        dialog.setText(Box::CmbRotorPort, QStringLiteral("9"));
        if (how == u"Exit") {
            dialog.MnuExit_Click();
        } else if (how == u"save failure") {
            dialog.setText(Box::CmbRotor, QStringLiteral("DEMO"));
            dialog.setText(Box::TxtErrore, QStringLiteral("-"));
            dialog.CmdSave_Click();
        }
        QCOMPARE(rig.port.opens, 1); // nothing applied while open
    };
    rig.controller.showModal();

    QCOMPARE(rig.view.closeRequests, how == u"close box" ? 0 : 1);
    QVERIFY(!rig.controller.isLoaded());
    QCOMPARE(rig.config.activeProfile().RotorPort, QStringLiteral("9"));
    if (how == u"save failure") {
        // The error text fails again on closing; in DEMO that is not told.
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("DDE SAVE ERROR v2.3")});
        QCOMPARE(rig.port.opens, 1);
        QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
        return;
    }
    QVERIFY(rig.boxes.boxes.isEmpty());
    QCOMPARE(rig.port.opens, 2); // the close opened the port once
    QCOMPARE(rig.port.commPort, 9);
}

void TestConfigDialogController::eachOpeningStartsFromTheDesignState()
{
    ControllerRig rig;
    QVERIFY(rig.start());
    rig.view.script = [](ConfigDialog &dialog) { dialog.markOption(2); };
    rig.controller.showModal();
    QCOMPARE(rig.config.profileNumber(), 3);

    // Loaded afresh: "Rotor 1" marked at creation, then the load marks profile 3 again.
    rig.port.setPortOpen(true);
    rig.view.script = [&](ConfigDialog &dialog) {
        QCOMPARE(dialog.markedOption(), 2);
        QVERIFY(!rig.port.portOpen());
    };
    rig.controller.showModal();
    QCOMPARE(rig.view.shows, 2);
    QCOMPARE(rig.view.shownBoxes, toList(kProfile3));
    QCOMPARE(rig.view.shownLabel, QStringLiteral("ROTOR-3 ACTIVE"));
}

void TestConfigDialogController::unloadOfHiddenDialogApplies()
{
    ControllerRig rig;
    QVERIFY(rig.start());
    rig.controller.unload(); // not loaded: nothing happens
    QCOMPARE(rig.port.closes, 0);

    rig.controller.modelBoxText();
    rig.controller.dialog()->setText(Box::TxtDelay, QStringLiteral("42"));
    QSignalSpy unloaded(&rig.controller, &ConfigDialogController::unloaded);
    rig.controller.unload();

    QVERIFY(!rig.controller.isLoaded());
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(rig.view.closes, 0);
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
}

void TestConfigDialogController::unloadWhileShownClosesTheWindowAndAppliesOnce()
{
    ControllerRig rig;
    QVERIFY(rig.start());
    QSignalSpy unloaded(&rig.controller, &ConfigDialogController::unloaded);
    rig.view.script = [&](ConfigDialog &dialog) {
        dialog.setText(Box::TxtDelay, QStringLiteral("42"));
        rig.controller.unload();
        QCOMPARE(rig.view.closes, 1);
        QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
        // The state lives until the window has gone.
        QVERIFY(rig.controller.isLoaded());
        dialog.setText(Box::TxtDelay, QStringLiteral("43"));
        rig.controller.unload(); // a second request changes nothing
        QCOMPARE(rig.view.closes, 1);
    };
    rig.controller.showModal();

    QVERIFY(!rig.controller.isLoaded());
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
    QCOMPARE(rig.port.opens, 2);
}

void TestConfigDialogController::modelBoxWhileShownReadsTheLiveBox()
{
    ControllerRig rig;
    QVERIFY(rig.start());
    rig.view.script = [&](ConfigDialog &dialog) {
        dialog.setText(Box::CmbRotor, QStringLiteral("SARTEK"));
        QCOMPARE(rig.controller.modelBoxText(), QStringLiteral("SARTEK"));
        rig.controller.showModal(); // already shown: nothing opens over it
    };
    rig.controller.showModal();
    QCOMPARE(rig.view.shows, 1);
}

QTEST_GUILESS_MAIN(TestConfigDialogController)
#include "tst_configdialogcontroller.moc"
