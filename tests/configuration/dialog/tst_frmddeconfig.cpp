#include "DialogRig.h"

#include "app/serial/QtSerialPortDevice.h"
#include "core/DevicePath.h"
#include "core/Int16.h"
#include "core/Version.h"
#include "rotor/RotorFamily.h"
#include "tests/support/Pty.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Item = MainPanel::Item;
using Icon = MessageBoxes::Icon;

// A loaded dialog on screen, active.
struct WindowRig : DialogRig
{
    explicit WindowRig(bool withFile = true) : DialogRig(withFile)
    {
        start();
        dialog = makeDialog();
        window = dialog.get();
        window->show();
        window->activateWindow();
    }
    bool active() { return QTest::qWaitForWindowActive(window); }

    template <typename T>
    T *child(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
    QComboBox *combo(Box box) const { return child<QComboBox>(FrmDDEConfig::boxName(box)); }
    QLineEdit *lineEdit(Box box) const { return child<QLineEdit>(FrmDDEConfig::boxName(box)); }
    QRadioButton *option(int index) const
    {
        return child<QRadioButton>(QStringLiteral("OptRotor%1").arg(index));
    }
    QAction *mnuExit() const { return child<QAction>(QStringLiteral("MnuExit")); }
    void clickExit() const
    {
        QMenuBar *bar = window->findChild<QMenuBar *>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(mnuExit()).center());
    }
    QColor pixel(QWidget *widget) const
    {
        return widget->grab().toImage().pixelColor(widget->width() - 3, widget->height() / 2);
    }

    std::unique_ptr<FrmDDEConfig> dialog;
    FrmDDEConfig *window = nullptr;
};

class TestFrmDDEConfig : public QObject
{
    Q_OBJECT
private slots:
    void windowAsDesigned();
    void dropDownsAsDesigned_data();
    void dropDownsAsDesigned();
    void otherControlsAsDesigned();
    void tabOrder();
    void geometry();
    void colours();
    void showsProgramValuesThatAreNoListItems();
    void dropDownsRefuseTyping_data();
    void dropDownsRefuseTyping();
    void pickingFromTheListSetsTheBoxAndTellsExternalModels();
    void textBoxesTakeTyping();
    void longerProgramValueShowsWhole();
    void typedDelayThenSaveRunsTheRuleFirst();
    void leavingTheDelayBoxByTabRunsTheRule();
    void exitWithDelayFocusedAppliesItUnchecked();
    void enterAndEscapeNeitherSaveNorClose();
    void optionClickSwitchesProfile();
    void portToolTipTellsTheDevice();
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
    void libraryModelsFollowTheDesignsOwnAndSaveLoadsBack();
    void deviceChooserWritesTheLink_data();
    void deviceChooserWritesTheLink();
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

void TestFrmDDEConfig::windowAsDesigned()
{
    WindowRig rig;
    QCOMPARE(rig.window->windowTitle(),
             QStringLiteral("DDE SORVIK CONFIG   (Start rotor default = ROTOR-1)"));
    const Qt::WindowFlags flags = rig.window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    QMenuBar *bar = rig.window->findChild<QMenuBar *>();
    QVERIFY(bar);
    QCOMPARE(bar->actions().size(), 1);
    QCOMPARE(bar->actions().first(), rig.mnuExit());
    QCOMPARE(rig.mnuExit()->text(), QStringLiteral("Exit"));
    QVERIFY(!rig.mnuExit()->menu());
}

void TestFrmDDEConfig::dropDownsAsDesigned_data()
{
    QTest::addColumn<Box>("box");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("toolTip");
    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QString::number(i);
    QTest::newRow("CmbRotor") << Box::CmbRotor
                              << QStringList{"DEMO",    "DCU-1",         "ROTOR-EZ",
                                             "HY-GAIN", "PROSISTEL B/C", "PROSISTEL D",
                                             "SARTEK",  "ARSWIN",        "IF100"}
                              << "Select Your rotor!";
    QTest::newRow("CmbRotorSet") << Box::CmbRotorSet
                                 << QStringList{"N,8,1", "N,8,2", "E,8,1", "E,8,2",
                                                "N,7,1", "N,7,2", "E,7,1", "E,7,2"}
                                 << "The parameters between PC & ROTOR";
    QTest::newRow("CmbRotorPort")
        << Box::CmbRotorPort << ports
        << "The COM RS232 compatible PORT for your Rotor. For USB use a simple COM<>USB converter!";
    QTest::newRow("CmbRotorBaud") << Box::CmbRotorBaud
                                  << QStringList{"1200", "2400", "4800", "9600", "19200", "38400"}
                                  << "The dialog speed between ROTOR & PC";
    QTest::newRow("CmbRotorHanshack")
        << Box::CmbRotorHanshack
        << QStringList{"0 - NONE", "1 - XON/XOFF", "2 - RTS/DTR", "3 - 1+2"}
        << "The ROTOR<>PC handshacke mode";
}

void TestFrmDDEConfig::dropDownsAsDesigned()
{
    QFETCH(Box, box);
    QFETCH(QStringList, items);
    QFETCH(QString, toolTip);
    WindowRig rig;
    QComboBox *combo = rig.combo(box);
    QVERIFY(combo);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    QCOMPARE(shown, items);
    QVERIFY(combo->toolTip().startsWith(toolTip));
}

void TestFrmDDEConfig::otherControlsAsDesigned()
{
    WindowRig rig;
    const QList<std::pair<QString, QString>> labels{{"Label2", "MOD:"},
                                                    {"Label1", "Rotor Error:"},
                                                    {"Label3", "Delay ms.:"},
                                                    {"Label55", "COM:"},
                                                    {"Label57", "Baud:"}};
    for (const auto &[name, caption] : labels) {
        QLabel *label = rig.child<QLabel>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->text(), caption);
        QVERIFY(label->font().bold());
    }
    QCOMPARE(rig.lineEdit(Box::TxtErrore)->toolTip(),
             QStringLiteral("Enter the direction Rotor Azimuth error!"));
    QCOMPARE(rig.lineEdit(Box::TxtDelay)->toolTip(),
             QStringLiteral("Enter the ROTOR command DELAY"));
    QPushButton *save = rig.child<QPushButton>(QStringLiteral("CmdSave"));
    QCOMPARE(save->text(), QStringLiteral("SAVE"));
    QCOMPARE(rig.option(0)->text(), QStringLiteral("Rotor 1"));
    QCOMPARE(rig.option(2)->text(), QStringLiteral("Rotor 3"));
    QCOMPARE(rig.option(0)->toolTip(), QStringLiteral("START DEFAULT: Select Rotor Type."));
    QCOMPARE(rig.option(1)->toolTip(), QStringLiteral("Select Rotor Type."));
    QLabel *status = rig.child<QLabel>(QStringLiteral("LblRotore"));
    QCOMPARE(status->toolTip(), QStringLiteral("Wath active?"));
    QCOMPARE(status->text(), QStringLiteral("ROTOR-1 ACTIVE"));
}

void TestFrmDDEConfig::tabOrder()
{
    WindowRig rig;
    QVERIFY(rig.active());
    const QStringList expected{"CmbRotor",     "CmbRotorSet",      "CmbRotorPort",
                               "CmbRotorBaud", "CmbRotorHanshack", "TxtErrore",
                               "CmdSave",      "TxtDelay",         "OptRotor0"};
    rig.combo(Box::CmbRotor)->setFocus();
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QWidget *focused = QApplication::focusWidget();
        // The drop-downs' edit fields stand for their box.
        if (focused && focused->parentWidget() &&
            qobject_cast<QComboBox *>(focused->parentWidget()))
            focused = focused->parentWidget();
        visited << (focused ? focused->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);
}

void TestFrmDDEConfig::geometry()
{
    WindowRig rig;
    QVERIFY(QTest::qWaitForWindowExposed(rig.window));
    // The designed size, grown by one factor as far as the rows need.
    const double dpi = rig.window->logicalDpiY();
    const double scale = rig.window->width() / (6480 * dpi / 1440);
    QVERIFY(scale >= 0.999);
    QVERIFY(qAbs(rig.window->frameGeometry().height() - qRound(2100 * scale * dpi / 1440)) <= 1);
    const QRect screen = rig.window->screen()->availableGeometry();
    const QPoint centre = rig.window->frameGeometry().center();
    QVERIFY(qAbs(centre.x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(centre.y() - screen.center().y()) <= 1);
    // The three rows fit.
    QVERIFY(rig.option(0)->geometry().bottom() <= rig.window->height());
}

void TestFrmDDEConfig::colours()
{
    WindowRig rig;
    QVERIFY(QTest::qWaitForWindowExposed(rig.window));
    QCOMPARE(rig.pixel(rig.child<QPushButton>(QStringLiteral("CmdSave"))), QColor(255, 128, 128));
    QCOMPARE(rig.pixel(rig.option(1)), QColor(192, 192, 255));
    QLabel *status = rig.child<QLabel>(QStringLiteral("LblRotore"));
    QCOMPARE(rig.pixel(status), QColor(255, 192, 192));
    QCOMPARE(status->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    QVERIFY(status->font().bold());
    QVERIFY(rig.child<QPushButton>(QStringLiteral("CmdSave"))->font().bold());
}

void TestFrmDDEConfig::showsProgramValuesThatAreNoListItems()
{
    WindowRig rig(false);
    const QList<std::pair<Box, QString>> shown{{Box::CmbRotorPort, "1"},
                                               {Box::CmbRotorBaud, "4800"},
                                               {Box::CmbRotorSet, "n,8,1"},
                                               {Box::CmbRotorHanshack, "0 - NONE"},
                                               {Box::CmbRotor, "DEMO"}};
    for (const auto &[box, text] : shown)
        QCOMPARE(rig.combo(box)->currentText(), text);
    QCOMPARE(rig.lineEdit(Box::TxtDelay)->text(), QStringLiteral("1"));
    QCOMPARE(rig.lineEdit(Box::TxtErrore)->text(), QStringLiteral("0"));
}

void TestFrmDDEConfig::dropDownsRefuseTyping_data()
{
    QTest::addColumn<Box>("box");
    QTest::newRow("CmbRotor") << Box::CmbRotor;
    QTest::newRow("CmbRotorSet") << Box::CmbRotorSet;
    QTest::newRow("CmbRotorPort") << Box::CmbRotorPort;
    QTest::newRow("CmbRotorBaud") << Box::CmbRotorBaud;
    QTest::newRow("CmbRotorHanshack") << Box::CmbRotorHanshack;
}

void TestFrmDDEConfig::dropDownsRefuseTyping()
{
    QFETCH(Box, box);
    WindowRig rig(false);
    QVERIFY(rig.active());
    QComboBox *combo = rig.combo(box);
    const QString before = combo->currentText();
    const int items = combo->count();
    combo->setFocus();
    QTest::keyClicks(combo, QStringLiteral("9x,Y-"));
    QTest::keyClick(combo, Qt::Key_Backspace);
    QTest::keyClick(combo, Qt::Key_Delete);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->currentText(), before);
    QCOMPARE(rig.dialog->text(box), before);
    // Nothing typed found its way into the list either.
    QCOMPARE(combo->count(), items);
}

void TestFrmDDEConfig::pickingFromTheListSetsTheBoxAndTellsExternalModels()
{
    WindowRig rig; // HY-GAIN, the fourth item
    QVERIFY(rig.active());
    QComboBox *model = rig.combo(Box::CmbRotor);
    model->setFocus();
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(model, Qt::Key_Down); // on through PROSISTEL B/C, D and SARTEK
    QCOMPARE(rig.dialog->text(Box::CmbRotor), QStringLiteral("ARSWIN"));
    QCOMPARE(model->currentText(), QStringLiteral("ARSWIN"));
    QCOMPARE(rig.boxes.texts(),
             (QStringList{"This rotor model like [SARTEK] is directly implemented on SORVIK",
                          "This rotor model like [ARSWIN] is directly implemented on SORVIK"}));

    // From a value that is no list item the list starts at its first item.
    WindowRig empty(false); // the dialog's default "n,8,1"
    QVERIFY(empty.active());
    QComboBox *set = empty.combo(Box::CmbRotorSet);
    QCOMPARE(set->currentText(), QStringLiteral("n,8,1"));
    set->setFocus();
    QTest::keyClick(set, Qt::Key_Down);
    QCOMPARE(set->currentText(), QStringLiteral("N,8,1"));
    QCOMPARE(empty.dialog->text(Box::CmbRotorSet), QStringLiteral("N,8,1"));
}

void TestFrmDDEConfig::textBoxesTakeTyping()
{
    WindowRig rig(false);
    QVERIFY(rig.active());
    QLineEdit *error = rig.lineEdit(Box::TxtErrore);
    error->setFocus();
    error->selectAll();
    QTest::keyClicks(error, QStringLiteral("-123"));
    QCOMPARE(rig.dialog->text(Box::TxtErrore), QStringLiteral("-12")); // three characters at most
    QLineEdit *delay = rig.lineEdit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("123456"));
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("1234"));
}

void TestFrmDDEConfig::longerProgramValueShowsWhole()
{
    // The box limits are on typing: a longer value from the file shows whole.
    DialogRig rig;
    ProfileLines long1 = kProfile1;
    long1[5] = QStringLiteral("32767");
    long1[6] = QStringLiteral("-100");
    rig.writeFile(profileFile(long1, kProfile2, kProfile3));
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    QCOMPARE(dialog->text(Box::TxtErrore), QStringLiteral("-100"));
    QCOMPARE(dialog->text(Box::TxtDelay), QStringLiteral("32767"));
}

void TestFrmDDEConfig::typedDelayThenSaveRunsTheRuleFirst()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QLineEdit *delay = rig.lineEdit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("0"));
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("0"));

    QTest::mouseClick(rig.child<QPushButton>(QStringLiteral("CmdSave")), Qt::LeftButton);

    QCOMPARE(rig.beeper.count, 1);
    QCOMPARE(slotLines(rig.fileBytes(), 1).value(5), QStringLiteral("1"));
    QCOMPARE(delay->text(), QStringLiteral("1"));
    QVERIFY(rig.window->isVisible());
}

void TestFrmDDEConfig::leavingTheDelayBoxByTabRunsTheRule()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QLineEdit *delay = rig.lineEdit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("0.5"));
    QTest::keyClick(delay, Qt::Key_Tab);
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("1"));
    QCOMPARE(delay->text(), QStringLiteral("1"));
}

void TestFrmDDEConfig::exitWithDelayFocusedAppliesItUnchecked()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QLineEdit *delay = rig.lineEdit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("0"));

    rig.clickExit();
    QVERIFY(rig.dialog->isClosing());
    QVERIFY(!rig.window->isVisible());
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("0"));
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(0));
}

void TestFrmDDEConfig::enterAndEscapeNeitherSaveNorClose()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QLineEdit *delay = rig.lineEdit(Box::TxtDelay);
    delay->setFocus();
    QTest::keyClick(delay, Qt::Key_Return);
    QTest::keyClick(delay, Qt::Key_Escape);
    QCOMPARE(rig.beeper.count, 0);
    QVERIFY(rig.window->isVisible());
    QVERIFY(!rig.dialog->isClosing());
}

void TestFrmDDEConfig::optionClickSwitchesProfile()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QTest::mouseClick(rig.option(1), Qt::LeftButton);
    QCOMPARE(rig.markedOption(*rig.dialog), 1);
    QCOMPARE(rig.config.profileNumber(), 2);
    QCOMPARE(rig.child<QLabel>(QStringLiteral("LblRotore"))->text(),
             QStringLiteral("ROTOR-2 ACTIVE"));
    QCOMPARE(rig.combo(Box::CmbRotor)->currentText(), kProfile2[4]);
    QCOMPARE(rig.lineEdit(Box::TxtDelay)->text(), kProfile2[5]);

    // The program marking an option shows it on the buttons.
    rig.dialog->OptRotor_Click(2);
    QVERIFY(rig.option(2)->isChecked());
    QVERIFY(!rig.option(1)->isChecked());
}

void TestFrmDDEConfig::portToolTipTellsTheDevice()
{
    WindowRig rig; // port 2
    for (int port : {2, 3})
        QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB%1").arg(port - 1),
                            rig.config.configDir() + QStringLiteral("/com%1").arg(port)));
    rig.dialog->OptRotor_Click(0); // shows the profile again, with its port
    QVERIFY(rig.active());
    QComboBox *combo = rig.combo(Box::CmbRotorPort);
    QCOMPARE(combo->toolTip(),
             QStringLiteral("The COM RS232 compatible PORT for your Rotor. For USB use a simple "
                            "COM<>USB converter!\nCOM2 opens config/com2 -> /dev/ttyUSB1"));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(combo->toolTip().endsWith(QStringLiteral("COM3 opens config/com3 -> /dev/ttyUSB2")));
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(combo->toolTip().endsWith(QStringLiteral("COM4 opens /dev/ttyS3")));
}

void TestFrmDDEConfig::openingAfterGoodLoadShowsProfile1()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();

    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile1));
    QCOMPARE(rig.markedOption(*dialog), 0);
    QCOMPARE(rig.lblRotore(*dialog), QStringLiteral("ROTOR-1 ACTIVE"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QVERIFY(!rig.port.portOpen());
    QVERIFY(rig.boxes.boxes.isEmpty());
}

void TestFrmDDEConfig::openingAfterMissingFileShowsDefaults()
{
    DialogRig rig(false);
    QVERIFY(!rig.start());
    auto dialog = rig.makeDialog();

    QCOMPARE(rig.boxTexts(*dialog),
             (QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"}));
    QCOMPARE(rig.lblRotore(*dialog), QStringLiteral("ROTOR-1 ACTIVE"));
}

void TestFrmDDEConfig::openingWithProfileInForce_data()
{
    QTest::addColumn<int>("profileNumber");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("2") << 2 << toList(kProfile2);
    QTest::newRow("3") << 3 << toList(kProfile3);
}

void TestFrmDDEConfig::openingWithProfileInForce()
{
    QFETCH(int, profileNumber);
    QFETCH(QStringList, shown);
    DialogRig rig;
    QVERIFY(rig.start());
    rig.config.setProfileNumber(profileNumber);
    QVERIFY(rig.config.load());

    auto dialog = rig.makeDialog();

    QCOMPARE(rig.markedOption(*dialog), profileNumber - 1);
    QCOMPARE(rig.boxTexts(*dialog), shown);
    QCOMPARE(rig.lblRotore(*dialog), QStringLiteral("ROTOR-%1 ACTIVE").arg(profileNumber));
    QCOMPARE(rig.config.profileNumber(), profileNumber);
}

void TestFrmDDEConfig::openingClosesThePortUnlessPortIsDemo_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("number") << "2" << false;
    QTest::newRow("DEMO") << "DEMO" << true;
    QTest::newRow("demo is a port text like any") << "demo" << false;
}

void TestFrmDDEConfig::openingClosesThePortUnlessPortIsDemo()
{
    QFETCH(QString, portText);
    QFETCH(bool, staysOpen);
    DialogRig rig;
    QVERIFY(rig.start());
    rig.config.activeProfile().RotorPort = portText;
    auto dialog = rig.makeDialog();

    QCOMPARE(rig.port.portOpen(), staysOpen);
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(dialog->text(Box::CmbRotorPort), portText);
}

void TestFrmDDEConfig::switchingShowsTheLinesAsLastReadAndDropsEdits()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    rig.edit(*dialog, Box::CmbRotor, QStringLiteral("DCU-1"));

    rig.mark(*dialog, 2);
    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile3));
    QCOMPARE(rig.lblRotore(*dialog), QStringLiteral("ROTOR-3 ACTIVE"));
    // In force at once, for commands that come while the dialog is open.
    QCOMPARE(rig.config.activeProfile().RotorModel, QStringLiteral("PROSISTEL D"));

    rig.mark(*dialog, 0);
    QCOMPARE(rig.boxTexts(*dialog), toList(kProfile1));

    // Marking the option already marked is no click: an edit stays.
    rig.edit(*dialog, Box::TxtDelay, QStringLiteral("777"));
    rig.mark(*dialog, 0);
    QCOMPARE(dialog->text(Box::TxtDelay), QStringLiteral("777"));
}

void TestFrmDDEConfig::switchingAndClosingPutsProfile2InForceForLaterLoads()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    rig.mark(*dialog, 1);
    dialog->close();
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

void TestFrmDDEConfig::delayRule_data()
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

void TestFrmDDEConfig::delayRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QCOMPARE(FrmDDEConfig::checkedDelay(typed), after);
    if (typed.size() > 4)
        return; // no more can be typed into the box
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    rig.edit(*dialog, Box::TxtDelay, typed);
    dialog->TxtDelay_LostFocus();
    QCOMPARE(dialog->text(Box::TxtDelay), after);
    // Whatever passes the rule converts when it is applied.
    QVERIFY(toInt16(dialog->text(Box::TxtDelay)).has_value());
    QVERIFY(*toInt16(dialog->text(Box::TxtDelay)) >= 1);
    // The error box has no such rule.
    QCOMPARE(dialog->text(Box::TxtErrore), kProfile1[6]);
}

void TestFrmDDEConfig::libraryModelsFollowTheDesignsOwnAndSaveLoadsBack()
{
    RotorFamily::setLibraryModels({{903, "SPID", "MD-01/02 (ROT2 mode)"},
                                   {1, "Hamlib", "Dummy"},
                                   {603, "Yaesu", "GS-232B"},
                                   {901, "SPID", "Rot2Prog"}});
    WindowRig rig;
    QVERIFY(rig.active());
    QComboBox *model = rig.combo(Box::CmbRotor);
    QStringList listed;
    for (int i = 9; i < model->count(); ++i)
        listed << model->itemText(i);
    QCOMPARE(listed, (QStringList{"HAMLIB 1 HAMLIB DUMMY", "HAMLIB 903 SPID MD-01/02 (ROT2 MODE)",
                                  "HAMLIB 901 SPID ROT2PROG", "HAMLIB 603 YAESU GS-232B"}));
    model->setFocus();
    while (model->currentIndex() + 1 < model->count())
        QTest::keyClick(model, Qt::Key_Down);
    rig.dialog->CmdSave_Click();
    RotorFamily::setLibraryModels({});
    QCOMPARE(slotLines(rig.fileBytes(), 1).value(4), QStringLiteral("HAMLIB 603 YAESU GS-232B"));
    QVERIFY(rig.config.load());
    QCOMPARE(rig.config.activeProfile().RotorModel, QStringLiteral("HAMLIB 603 YAESU GS-232B"));
}

// "Device…" and SAVE: config/comN leads where the operator chose, and the port opens there.
void TestFrmDDEConfig::deviceChooserWritesTheLink_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("before"); // config/com2: none, "link" (elsewhere) or "file"
    QTest::addColumn<QString>("choice"); // "pty": the pseudo-terminal standing in for an adapter
    QTest::addColumn<QString>("linked"); // where config/com2 leads after SAVE; "" no link
    QTest::addColumn<QString>("note");   // in the traffic box
    QTest::newRow("adapter") << "PROSISTEL D"
                             << ""
                             << "pty"
                             << "pty"
                             << "";
    QTest::newRow("replaces a link") << "PROSISTEL D"
                                     << "link"
                                     << "pty"
                                     << "pty"
                                     << "";
    QTest::newRow("a file stays") << "PROSISTEL D"
                                  << "file"
                                  << "pty"
                                  << ""
                                  << "DEVICE NOT SAVED: config/com2 is a file, not a link";
    QTest::newRow("rotctld elsewhere") << "HAMLIB 2"
                                       << ""
                                       << "shack-pi:4533"
                                       << "shack-pi:4533"
                                       << "";
    QTest::newRow("no port number") << "HAMLIB 2"
                                    << ""
                                    << "shack-pi"
                                    << ""
                                    << "DEVICE NOT TAKEN";
}

void TestFrmDDEConfig::deviceChooserWritesTheLink()
{
    QFETCH(QString, model);
    QFETCH(QString, before);
    QFETCH(QString, choice);
    QFETCH(QString, linked);
    QFETCH(QString, note);
    RotorFamily::setLibraryModels(
        {{2, "Hamlib", "NET rotctl", RotorFamily::LibraryModel::Port::Network}});
    Pty adapter;
    const auto resolve = [&](const QString &text) {
        return text == u"pty" ? adapter.slavePath() : text;
    };
    DialogRig rig; // profile 1 on port 2
    QVERIFY(rig.start());
    const QString link = rig.config.configDir() + "/com2";
    if (before == u"link")
        QVERIFY(QFile::link("/dev/null", link));
    if (before == u"file") {
        QFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
    }
    FrmDDEConfig dialog(rig.config, rig.panel, rig.port, rig.boxes, rig.beeper, nullptr, [&] {
        return QList<SerialDevice>{{"/dev/serial/by-id/usb-other", "Other"},
                                   {adapter.slavePath(), "Test adapter"}};
    });
    rig.edit(dialog, Box::CmbRotor, model);
    dialog.CmdDevice_Click();
    if (auto *menu = dialog.findChild<QMenu *>("DeviceMenu")) {
        for (QAction *action : menu->actions())
            if (action->data().toString() == resolve(choice))
                action->trigger();
        menu->close();
    } else {
        auto *ask = dialog.findChild<QInputDialog *>("AskAddress");
        QVERIFY(ask);
        ask->setTextValue(choice);
        ask->accept();
    }
    dialog.CmdSave_Click();

    QCOMPARE(DevicePath::linkText(rig.config.configDir(), 2),
             linked.isEmpty() && before == u"link" ? QStringLiteral("/dev/null") : resolve(linked));
    QVERIFY2(rig.panel.text(MainPanel::Item::TBox).contains(note), qPrintable(note));
    if (before == u"file") {
        QFile file(link);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("mine"));
    }
    if (linked == u"pty") {
        // The next activation's port opens the adapter.
        QtSerialPortDevice port(rig.config.configDir());
        QVERIFY(port.setCommPort(2));
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    }
    RotorFamily::setLibraryModels({});
}

void TestFrmDDEConfig::saveWritesTheMarkedSlotAndBeeps()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    rig.edit(*dialog, Box::CmbRotorBaud, QStringLiteral("38400"));
    rig.edit(*dialog, Box::TxtDelay, QStringLiteral("0001"));
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 1);
    QVERIFY(rig.boxes.boxes.isEmpty());
    QVERIFY(!dialog->isClosing());
    ProfileLines saved = kProfile1;
    saved[1] = QStringLiteral("38400");
    saved[5] = QStringLiteral("1");
    QCOMPARE(rig.fileBytes(), profileFile(saved, kProfile2, kProfile3));
    QCOMPARE(rig.config.activeProfile().RotorBaud, QStringLiteral("38400"));
}

void TestFrmDDEConfig::saveTwiceAfterSwitchingSavesEachSlot()
{
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();

    rig.edit(*dialog, Box::CmbRotor, QStringLiteral("DCU-1"));
    dialog->CmdSave_Click();
    rig.mark(*dialog, 1);
    rig.edit(*dialog, Box::TxtErrore, QStringLiteral("-12"));
    dialog->CmdSave_Click();
    rig.mark(*dialog, 2);
    rig.edit(*dialog, Box::CmbRotorPort, QStringLiteral("16"));
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 3);
    ProfileLines p1 = kProfile1, p2 = kProfile2, p3 = kProfile3;
    p1[4] = QStringLiteral("DCU-1");
    p2[6] = QStringLiteral("-12");
    p3[0] = QStringLiteral("16");
    QCOMPARE(rig.fileBytes(), profileFile(p1, p2, p3));

    // Switching back shows what was saved, not what was first read.
    rig.mark(*dialog, 0);
    QCOMPARE(dialog->text(Box::CmbRotor), QStringLiteral("DCU-1"));
    rig.mark(*dialog, 1);
    QCOMPARE(dialog->text(Box::TxtErrore), QStringLiteral("-12"));
}

void TestFrmDDEConfig::failedSaveIsToldAndClosesOnlyInDemo_data()
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

void TestFrmDDEConfig::failedSaveIsToldAndClosesOnlyInDemo()
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
    rig.mark(*dialog, option);
    rig.config.activeProfile().RotorModel = modelInForce;
    rig.edit(*dialog, Box::CmbRotor, boxModel);
    rig.edit(*dialog, Box::TxtErrore, errorText);
    dialog->CmdSave_Click();

    QCOMPARE(rig.beeper.count, 0);
    QCOMPARE(rig.boxes.texts().value(0), QStringLiteral("DDE SAVE ERROR v2.3"));
    QCOMPARE(rig.boxes.texts().count(QStringLiteral("DDE SAVE ERROR v2.3")), 1);
    QCOMPARE(rig.boxes.boxes.first().title, QStringLiteral("SorvikDDE"));
    QCOMPARE(dialog->isClosing(), closes);
    QCOMPARE(rig.fileBytes(), before);
}

void TestFrmDDEConfig::externalModelPickShowsMessage_data()
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

void TestFrmDDEConfig::externalModelPickShowsMessage()
{
    QFETCH(QString, model);
    QFETCH(bool, told);
    DialogRig rig;
    QVERIFY(rig.start());
    auto dialog = rig.makeDialog();
    rig.edit(*dialog, Box::CmbRotor, model);
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

void TestFrmDDEConfig::closingAppliesBoxesAndReopensPort_data()
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

void TestFrmDDEConfig::closingAppliesBoxesAndReopensPort()
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
    rig.port.setPortOpen(false);
    rig.port.opens = 0;
    rig.port.commPort = 0;
    rig.edit(*dialog, Box::CmbRotorPort, portText);
    rig.edit(*dialog, Box::CmbRotorSet, QStringLiteral("n,8,1"));
    rig.edit(*dialog, Box::CmbRotorBaud, QStringLiteral("4800"));
    rig.edit(*dialog, Box::CmbRotorHanshack, QStringLiteral(" 1 - XON/XOFF"));
    rig.edit(*dialog, Box::CmbRotor, model);
    rig.edit(*dialog, Box::TxtDelay, delay);
    rig.edit(*dialog, Box::TxtErrore, QStringLiteral("-3"));
    dialog->close();

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

void TestFrmDDEConfig::closingWithBadNumberReportsPortErrorForRealModel_data()
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

void TestFrmDDEConfig::closingWithBadNumberReportsPortErrorForRealModel()
{
    QFETCH(Box, box);
    QFETCH(QString, text);
    QFETCH(bool, refuseOpen);
    for (const QString &model : {QStringLiteral("HY-GAIN"), QStringLiteral("DEMO")}) {
        DialogRig rig;
        QVERIFY(rig.start());
        auto dialog = rig.makeDialog();
        rig.edit(*dialog, Box::CmbRotor, model);
        rig.edit(*dialog, box, text);
        rig.port.refuseOpen = refuseOpen;
        dialog->close();

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

QTEST_MAIN(TestFrmDDEConfig)
#include "tst_frmddeconfig.moc"
