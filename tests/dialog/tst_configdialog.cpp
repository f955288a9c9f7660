#include "tests/dialog/DialogRig.h"

#include "app/Version.h"
#include "configuration/Int16.h"

#include <QSignalSpy>
#include <QTest>

using Box = ConfigDialog::Box;
using Item = MainPanel::Item;
using Icon = MessageBoxes::Icon;

class TestConfigDialog : public QObject
{
    Q_OBJECT
private slots:
    void openingAfterGoodLoadShowsProfile1();
    void openingAfterMissingFileShowsDefaults();
    void openingWithProfileInForce_data();
    void openingWithProfileInForce();
    void openingClosesThePortUnlessPortIsDemo_data();
    void openingClosesThePortUnlessPortIsDemo();
    void switchingShowsTheLinesAsLastReadAndDropsEdits();
    void switchingAndClosingPutsProfile2InForceForLaterLoads();
    void delayRule_data();
    void delayRule();
    void saveWritesTheMarkedSlotAndBeeps();
    void saveTwiceAfterSwitchingSavesEachSlot();
    void failedSaveIsToldAndClosesOnlyInDemo_data();
    void failedSaveIsToldAndClosesOnlyInDemo();
    void externalModelPickShowsMessage_data();
    void externalModelPickShowsMessage();
    void closingAppliesBoxesAndReopensPort_data();
    void closingAppliesBoxesAndReopensPort();
    void closingWithBadNumberReportsPortErrorForRealModel_data();
    void closingWithBadNumberReportsPortErrorForRealModel();
};

void TestConfigDialog::openingAfterGoodLoadShowsProfile1()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();

    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile1));
    QCOMPARE(dialog->markedOption(), 0);
    QCOMPARE(dialog->lblRotore(), QStringLiteral("ROTOR-1 ACTIVE"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QVERIFY(!rig.port.portOpen());
    QVERIFY(rig.boxes.boxes.isEmpty());
}

void TestConfigDialog::openingAfterMissingFileShowsDefaults()
{
    DialogRig rig(false);
    QVERIFY(!rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();

    QCOMPARE(rig.boxTexts(*dialog),
             (QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"}));
    QCOMPARE(dialog->lblRotore(), QStringLiteral("ROTOR-1 ACTIVE"));
}

void TestConfigDialog::openingWithProfileInForce_data()
{
    QTest::addColumn<int>("profileNumber");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("2") << 2 << toList(kProfile2);
    QTest::newRow("3") << 3 << toList(kProfile3);
}

void TestConfigDialog::openingWithProfileInForce()
{
    QFETCH(int, profileNumber);
    QFETCH(QStringList, shown);
    DialogRig rig;
    QVERIFY(rig.start());
    rig.config.setProfileNumber(profileNumber);
    QVERIFY(rig.config.load());

    auto dialog = rig.makeDialog();
    QSignalSpy marked(dialog.get(), &ConfigDialog::markedOptionChanged);
    dialog->Form_Load();

    QCOMPARE(dialog->markedOption(), profileNumber - 1);
    QCOMPARE(marked.count(), 1);
    QCOMPARE(rig.boxTexts(*dialog), shown);
    QCOMPARE(dialog->lblRotore(), QStringLiteral("ROTOR-%1 ACTIVE").arg(profileNumber));
    QCOMPARE(rig.config.profileNumber(), profileNumber);
}

void TestConfigDialog::openingClosesThePortUnlessPortIsDemo_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("number") << "2" << false;
    QTest::newRow("DEMO") << "DEMO" << true;
    QTest::newRow("demo is a port text like any") << "demo" << false;
}

void TestConfigDialog::openingClosesThePortUnlessPortIsDemo()
{
    QFETCH(QString, portText);
    QFETCH(bool, staysOpen);
    DialogRig rig;
    QVERIFY(rig.start());
    rig.config.activeProfile().RotorPort = portText;
    auto dialog = rig.makeDialog();
    dialog->Form_Load();

    QCOMPARE(rig.port.portOpen(), staysOpen);
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(dialog->text(Box::CmbRotorPort), portText);
}

void TestConfigDialog::switchingShowsTheLinesAsLastReadAndDropsEdits()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();
    dialog->setText(Box::CmbRotor, QStringLiteral("DCU-1"));

    dialog->markOption(2);
    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile3));
    QCOMPARE(dialog->lblRotore(), QStringLiteral("ROTOR-3 ACTIVE"));
    // In force at once, for commands that come while the dialog is open.
    QCOMPARE(rig.config.activeProfile().RotorModel, QStringLiteral("PROSISTEL D"));

    dialog->markOption(0);
    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile1));

    // Marking the option already marked is no click: an edit stays.
    dialog->setText(Box::TxtDelay, QStringLiteral("777"));
    dialog->markOption(0);
    QCOMPARE(dialog->text(Box::TxtDelay), QStringLiteral("777"));
}

void TestConfigDialog::switchingAndClosingPutsProfile2InForceForLaterLoads()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();
    dialog->markOption(1);
    dialog->Form_QueryUnload();
    dialog.reset();

    QCOMPARE(rig.config.profileNumber(), 2);
    // Every later load of the run selects lines 8 to 14.
    for (int load = 0; load < 2; ++load) {
        QVERIFY(rig.config.load());
        const RotorProfile &active = rig.config.activeProfile();
        QCOMPARE(active.RotorPort, kProfile2[0]);
        QCOMPARE(active.RotorModel, kProfile2[4]);
        QCOMPARE(active.RotorDelay, qint16(500));
        QCOMPARE(active.RotorError, qint16(7));
    }

    // The next start of the program begins with profile 1 again.
    Configuration nextRun(rig.config.configDir());
    QVERIFY(nextRun.load());
    QCOMPARE(nextRun.activeProfile().RotorModel, kProfile1[4]);
}

void TestConfigDialog::delayRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::newRow("letters") << "abc"
                             << "1";
    QTest::newRow("zero") << "0"
                          << "1";
    QTest::newRow("negative") << "-3"
                              << "1";
    QTest::newRow("minus zero") << "-0"
                                << "1";
    QTest::newRow("half") << "0.5"
                          << "1";
    QTest::newRow("below 1 rounding to 1") << "0.6"
                                           << "1";
    QTest::newRow("leading point") << ".9"
                                   << "1";
    QTest::newRow("empty") << ""
                           << "1";
    QTest::newRow("blanks") << "  "
                            << "1";
    QTest::newRow("lone minus") << "-"
                                << "1";
    QTest::newRow("exponent") << "1e3"
                              << "1";
    QTest::newRow("out of 16 bits") << "40000"
                                    << "1";
    QTest::newRow("fraction above 1 stays") << "1.5"
                                            << "1.5";
    QTest::newRow("one stays") << "1"
                               << "1";
    QTest::newRow("leading zeros stay") << "0001"
                                        << "0001";
    QTest::newRow("blanks around stay") << " 50 "
                                        << " 50 ";
    QTest::newRow("trailing point stays") << "5."
                                          << "5.";
    QTest::newRow("largest") << "9999"
                             << "9999";
}

void TestConfigDialog::delayRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();
    dialog->setText(Box::TxtDelay, typed);
    dialog->TxtDelay_LostFocus();
    QCOMPARE(dialog->text(Box::TxtDelay), after);
    // Whatever passes the rule converts when it is applied.
    QVERIFY(toInt16(dialog->text(Box::TxtDelay)).has_value());
    QVERIFY(*toInt16(dialog->text(Box::TxtDelay)) >= 1);
    // The error box has no such rule.
    QCOMPARE(dialog->text(Box::TxtErrore), kProfile1[6]);
}

void TestConfigDialog::saveWritesTheMarkedSlotAndBeeps()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    QSignalSpy close(dialog.get(), &ConfigDialog::closeRequested);
    dialog->Form_Load();
    dialog->setText(Box::CmbRotorBaud, QStringLiteral("38400"));
    dialog->setText(Box::TxtDelay, QStringLiteral("0001"));
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 1);
    QVERIFY(rig.boxes.boxes.isEmpty());
    QCOMPARE(close.count(), 0);
    ProfileLines saved = kProfile1;
    saved[1] = QStringLiteral("38400");
    saved[5] = QStringLiteral("1");
    QCOMPARE(rig.fileBytes(), profileFile(saved, kProfile2, kProfile3));
    QCOMPARE(rig.config.activeProfile().RotorBaud, QStringLiteral("38400"));
}

void TestConfigDialog::saveTwiceAfterSwitchingSavesEachSlot()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();

    dialog->setText(Box::CmbRotor, QStringLiteral("DCU-1"));
    dialog->CmdSave_Click();
    dialog->markOption(1);
    dialog->setText(Box::TxtErrore, QStringLiteral("-12"));
    dialog->CmdSave_Click();
    dialog->markOption(2);
    dialog->setText(Box::CmbRotorPort, QStringLiteral("16"));
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 3);
    ProfileLines p1 = kProfile1, p2 = kProfile2, p3 = kProfile3;
    p1[4] = QStringLiteral("DCU-1");
    p2[6] = QStringLiteral("-12");
    p3[0] = QStringLiteral("16");
    QCOMPARE(rig.fileBytes(), profileFile(p1, p2, p3));

    // Switching back shows what was saved, not what was first read.
    dialog->markOption(0);
    QCOMPARE(dialog->text(Box::CmbRotor), QStringLiteral("DCU-1"));
    dialog->markOption(1);
    QCOMPARE(dialog->text(Box::TxtErrore), QStringLiteral("-12"));
}

void TestConfigDialog::failedSaveIsToldAndClosesOnlyInDemo_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("boxModel");
    QTest::addColumn<QString>("modelInForce");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<bool>("closes");
    // Slot 1 takes its model from the box; slots 2 and 3 leave the one in force.
    QTest::newRow("slot 1, lone minus, real model") << 0 << "HY-GAIN"
                                                    << "HY-GAIN"
                                                    << "-" << false;
    QTest::newRow("slot 1, empty error, real model") << 0 << "HY-GAIN"
                                                     << "HY-GAIN"
                                                     << "" << false;
    QTest::newRow("slot 1, DEMO in the box") << 0 << "DEMO"
                                             << "HY-GAIN"
                                             << "-" << true;
    QTest::newRow("slot 1, real model in the box") << 0 << "HY-GAIN"
                                                   << "DEMO"
                                                   << "-" << false;
    QTest::newRow("slot 2, DEMO in force") << 1 << "HY-GAIN"
                                           << "DEMO"
                                           << "-" << true;
    QTest::newRow("slot 2, real model in force") << 1 << "DEMO"
                                                 << "ROTOR-EZ"
                                                 << "-" << false;
    QTest::newRow("slot 3, demo in lower case") << 2 << "HY-GAIN"
                                                << "demo"
                                                << "x" << false;
}

void TestConfigDialog::failedSaveIsToldAndClosesOnlyInDemo()
{
    QFETCH(int, option);
    QFETCH(QString, boxModel);
    QFETCH(QString, modelInForce);
    QFETCH(QString, errorText);
    QFETCH(bool, closes);
    DialogRig rig;
    QVERIFY(rig.start());
    const QByteArray before = rig.fileBytes();
    auto dialog = rig.makeDialog();
    QSignalSpy close(dialog.get(), &ConfigDialog::closeRequested);
    dialog->Form_Load();
    dialog->markOption(option);
    rig.config.activeProfile().RotorModel = modelInForce;
    dialog->setText(Box::CmbRotor, boxModel);
    dialog->setText(Box::TxtErrore, errorText);
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 0);
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("DDE SAVE ERROR v2.3")});
    QCOMPARE(rig.boxes.boxes.first().title, QStringLiteral("SorvikDDE"));
    QCOMPARE(close.count(), closes ? 1 : 0);
    QCOMPARE(rig.fileBytes(), before);
}

void TestConfigDialog::externalModelPickShowsMessage_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("told");
    QTest::newRow("ARSWIN") << "ARSWIN" << true;
    QTest::newRow("SARTEK") << "SARTEK" << true;
    QTest::newRow("IF100") << "IF100" << true;
    QTest::newRow("HY-GAIN") << "HY-GAIN" << false;
    QTest::newRow("DEMO") << "DEMO" << false;
    QTest::newRow("lower case") << "arswin" << false;
}

void TestConfigDialog::externalModelPickShowsMessage()
{
    QFETCH(QString, model);
    QFETCH(bool, told);
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();
    dialog->setText(Box::CmbRotor, model);
    dialog->CmbRotor_Click();

    QCOMPARE(dialog->text(Box::CmbRotor), model);
    if (!told) {
        QVERIFY(rig.boxes.boxes.isEmpty());
        return;
    }
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QCOMPARE(
        rig.boxes.boxes[0].text,
        QStringLiteral("This rotor model like [%1] is directly implemented on SORVIK").arg(model));
    QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("SorvikDDE"));
    QCOMPARE(rig.boxes.boxes[0].icon, Icon::Information);
}

void TestConfigDialog::closingAppliesBoxesAndReopensPort_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<int>("opens");
    QTest::addColumn<int>("commPort");
    QTest::addColumn<QString>("txtCom");
    QTest::addColumn<qint16>("appliedDelay");
    // Opened for every model when the port text is a number; TxtCom keeps the load's COM OFF.
    QTest::newRow("real model") << "7"
                                << "HY-GAIN"
                                << "250" << 1 << 7 << "COM OFF" << qint16(250);
    QTest::newRow("DEMO opens too") << "7"
                                    << "DEMO"
                                    << "250" << 1 << 7 << "COM OFF" << qint16(250);
    QTest::newRow("fraction rounds") << "7"
                                     << "HY-GAIN"
                                     << "1.5" << 1 << 7 << "COM OFF" << qint16(2);
    QTest::newRow("zeros in front") << "7"
                                    << "HY-GAIN"
                                    << "0001" << 1 << 7 << "COM OFF" << qint16(1);
    // Port text DEMO: no new port number, opened afterwards for a real model.
    QTest::newRow("port DEMO, real model") << "DEMO"
                                           << "HY-GAIN"
                                           << "250" << 1 << 0 << "COM ON" << qint16(250);
    QTest::newRow("port DEMO, DEMO") << "DEMO"
                                     << "DEMO"
                                     << "250" << 0 << 0 << "COM OFF" << qint16(250);
}

void TestConfigDialog::closingAppliesBoxesAndReopensPort()
{
    QFETCH(QString, portText);
    QFETCH(QString, model);
    QFETCH(QString, delay);
    QFETCH(int, opens);
    QFETCH(int, commPort);
    QFETCH(QString, txtCom);
    QFETCH(qint16, appliedDelay);
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    dialog->Form_Load();
    rig.port.setPortOpen(false);
    rig.port.opens = 0;
    rig.port.commPort = 0;
    dialog->setText(Box::CmbRotorPort, portText);
    dialog->setText(Box::CmbRotorSet, QStringLiteral("n,8,1"));
    dialog->setText(Box::CmbRotorBaud, QStringLiteral("4800"));
    dialog->setText(Box::CmbRotorHanshack, QStringLiteral(" 1 - XON/XOFF"));
    dialog->setText(Box::CmbRotor, model);
    dialog->setText(Box::TxtDelay, delay);
    dialog->setText(Box::TxtErrore, QStringLiteral("-3"));
    dialog->Form_QueryUnload();

    QVERIFY(rig.boxes.boxes.isEmpty());
    QCOMPARE(rig.port.opens, opens);
    QCOMPARE(rig.port.portOpen(), opens == 1);
    QCOMPARE(rig.port.commPort, commPort);
    QCOMPARE(rig.port.settings, QStringLiteral("4800, n,8,1"));
    QCOMPARE(rig.port.handshaking, 1);
    QCOMPARE(rig.port.inputLen, 0);
    QCOMPARE(rig.panel.text(Item::TxtCom), txtCom);

    RotorProfile expected;
    expected.RotorPort = portText;
    expected.RotorBaud = QStringLiteral("4800");
    expected.RotorSet = QStringLiteral("n,8,1");
    expected.RotorHandshake = QStringLiteral(" 1 - XON/XOFF");
    expected.RotorModel = model;
    expected.RotorDelay = appliedDelay;
    expected.RotorError = -3;
    QCOMPARE(rig.config.activeProfile(), expected);
}

void TestConfigDialog::closingWithBadNumberReportsPortErrorForRealModel_data()
{
    QTest::addColumn<Box>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refuseOpen");
    QTest::newRow("lone minus as error") << Box::TxtErrore << "-" << false;
    QTest::newRow("empty error") << Box::TxtErrore << "" << false;
    QTest::newRow("delay left unchecked") << Box::TxtDelay << "x" << false;
    QTest::newRow("port not a number") << Box::CmbRotorPort << "COM3" << false;
    QTest::newRow("port 0") << Box::CmbRotorPort << "0" << false;
    QTest::newRow("port in use") << Box::CmbRotorPort << "4" << true;
    QTest::newRow("handshake empty") << Box::CmbRotorHanshack << "" << false;
    QTest::newRow("handshake letter") << Box::CmbRotorHanshack << "X - NONE" << false;
    QTest::newRow("handshake out of range") << Box::CmbRotorHanshack << "7 - ALL" << false;
}

void TestConfigDialog::closingWithBadNumberReportsPortErrorForRealModel()
{
    QFETCH(Box, box);
    QFETCH(QString, text);
    QFETCH(bool, refuseOpen);
    for (const QString &model : {QStringLiteral("HY-GAIN"), QStringLiteral("DEMO")}) {
        DialogRig rig;
        QVERIFY(rig.start());
        auto dialog = rig.makeDialog();
        dialog->Form_Load();
        dialog->setText(Box::CmbRotor, model);
        dialog->setText(box, text);
        rig.port.refuseOpen = refuseOpen;
        dialog->Form_QueryUnload();

        QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
        if (model == u"DEMO") {
            QVERIFY(rig.boxes.boxes.isEmpty());
            continue;
        }
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.boxes.texts(),
                 QStringList{QStringLiteral("DDE COM PORT EXIT OPEN ERROR OR IN USE v2.3")});
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("SorvikDDE"));
        QCOMPARE(rig.boxes.boxes[0].icon, Icon::None);
    }
}

QTEST_GUILESS_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
