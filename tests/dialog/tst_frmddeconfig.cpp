#include "tests/dialog/DialogRig.h"

#include "configuration/ConfigDialogController.h"
#include "configuration/FrmDDEConfig.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Box = ConfigDialog::Box;
using Item = MainPanel::Item;

// A loaded dialog state and its window on screen, active.
struct WindowRig : DialogRig
{
    explicit WindowRig(bool withFile = true) : DialogRig(withFile)
    {
        start();
        dialog = makeDialog();
        dialog->Form_Load();
        window = std::make_unique<FrmDDEConfig>(*dialog);
        window->show();
        window->activateWindow();
    }
    bool active() { return QTest::qWaitForWindowActive(window.get()); }

    template <typename T>
    T *child(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
    QComboBox *combo(Box box) const { return child<QComboBox>(ConfigDialog::boxName(box)); }
    QLineEdit *edit(Box box) const { return child<QLineEdit>(ConfigDialog::boxName(box)); }
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

    std::unique_ptr<ConfigDialog> dialog;
    std::unique_ptr<FrmDDEConfig> window;
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
    void shownModallyThroughTheController();
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
    QCOMPARE(rig.edit(Box::TxtErrore)->toolTip(),
             QStringLiteral("Enter the direction Rotor Azimuth error!"));
    QCOMPARE(rig.edit(Box::TxtDelay)->toolTip(), QStringLiteral("Enter the ROTOR command DELAY"));
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
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    const double dpi = rig.window->logicalDpiY();
    QCOMPARE(rig.window->frameGeometry().height(), qRound(2100 * dpi / 1440));
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
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
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
    QCOMPARE(rig.edit(Box::TxtDelay)->text(), QStringLiteral("1"));
    QCOMPARE(rig.edit(Box::TxtErrore)->text(), QStringLiteral("0"));

    // A change of the state shows at once.
    rig.dialog->setText(Box::CmbRotorBaud, QStringLiteral("1234"));
    QCOMPARE(rig.combo(Box::CmbRotorBaud)->currentText(), QStringLiteral("1234"));
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
    rig.dialog->setText(Box::CmbRotorSet, QStringLiteral("n,8,1"));
    QComboBox *set = rig.combo(Box::CmbRotorSet);
    QCOMPARE(set->currentText(), QStringLiteral("n,8,1"));
    set->setFocus();
    QTest::keyClick(set, Qt::Key_Down);
    QCOMPARE(set->currentText(), QStringLiteral("N,8,1"));
    QCOMPARE(rig.dialog->text(Box::CmbRotorSet), QStringLiteral("N,8,1"));
}

void TestFrmDDEConfig::textBoxesTakeTyping()
{
    WindowRig rig(false);
    QVERIFY(rig.active());
    QLineEdit *error = rig.edit(Box::TxtErrore);
    error->setFocus();
    error->selectAll();
    QTest::keyClicks(error, QStringLiteral("-123"));
    QCOMPARE(rig.dialog->text(Box::TxtErrore), QStringLiteral("-12")); // three characters at most
    QLineEdit *delay = rig.edit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("123456"));
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("1234"));
}

void TestFrmDDEConfig::longerProgramValueShowsWhole()
{
    WindowRig rig;
    rig.dialog->setText(Box::TxtErrore, QStringLiteral("-100"));
    rig.dialog->setText(Box::TxtDelay, QStringLiteral("32767"));
    QCOMPARE(rig.edit(Box::TxtErrore)->text(), QStringLiteral("-100"));
    QCOMPARE(rig.edit(Box::TxtDelay)->text(), QStringLiteral("32767"));
}

void TestFrmDDEConfig::typedDelayThenSaveRunsTheRuleFirst()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QLineEdit *delay = rig.edit(Box::TxtDelay);
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
    QLineEdit *delay = rig.edit(Box::TxtDelay);
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
    QSignalSpy close(rig.dialog.get(), &ConfigDialog::closeRequested);
    QLineEdit *delay = rig.edit(Box::TxtDelay);
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, QStringLiteral("0"));

    rig.clickExit();
    QCOMPARE(close.count(), 1);
    QVERIFY(!rig.window->isVisible());
    QCOMPARE(rig.dialog->text(Box::TxtDelay), QStringLiteral("0"));
    rig.dialog->Form_QueryUnload(); // what the closing runs
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(0));
}

void TestFrmDDEConfig::enterAndEscapeNeitherSaveNorClose()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QSignalSpy close(rig.dialog.get(), &ConfigDialog::closeRequested);
    QLineEdit *delay = rig.edit(Box::TxtDelay);
    delay->setFocus();
    QTest::keyClick(delay, Qt::Key_Return);
    QTest::keyClick(delay, Qt::Key_Escape);
    QCOMPARE(rig.beeper.count, 0);
    QVERIFY(rig.window->isVisible());
    QCOMPARE(close.count(), 0);
}

void TestFrmDDEConfig::optionClickSwitchesProfile()
{
    WindowRig rig;
    QVERIFY(rig.active());
    QTest::mouseClick(rig.option(1), Qt::LeftButton);
    QCOMPARE(rig.dialog->markedOption(), 1);
    QCOMPARE(rig.config.profileNumber(), 2);
    QCOMPARE(rig.child<QLabel>(QStringLiteral("LblRotore"))->text(),
             QStringLiteral("ROTOR-2 ACTIVE"));
    QCOMPARE(rig.combo(Box::CmbRotor)->currentText(), kProfile2[4]);
    QCOMPARE(rig.edit(Box::TxtDelay)->text(), kProfile2[5]);

    // The program marking an option shows it on the buttons.
    rig.dialog->OptRotor_Click(2);
    QVERIFY(rig.option(2)->isChecked());
    QVERIFY(!rig.option(1)->isChecked());
}

void TestFrmDDEConfig::portToolTipTellsTheDevice()
{
    WindowRig rig; // port 2
    FrmDDEConfig window(*rig.dialog, [](int port) {
        return QStringLiteral("config/com%1 -> /dev/ttyUSB%2").arg(port).arg(port - 1);
    });
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *combo = window.findChild<QComboBox *>(QStringLiteral("CmbRotorPort"));
    QCOMPARE(combo->toolTip(),
             QStringLiteral("The COM RS232 compatible PORT for your Rotor. For USB use a simple "
                            "COM<>USB converter!\nCOM2 opens config/com2 -> /dev/ttyUSB1"));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(combo->toolTip().endsWith(QStringLiteral("COM3 opens config/com3 -> /dev/ttyUSB2")));
    // A port text that names no port names no device.
    rig.dialog->setText(Box::CmbRotorPort, QStringLiteral("DEMO"));
    QVERIFY(!combo->toolTip().contains(QStringLiteral("opens")));
}

void TestFrmDDEConfig::shownModallyThroughTheController()
{
    DialogRig rig;
    QVERIFY(rig.start());
    FrmDDEConfigView view;
    ConfigDialogController controller(rig.config, rig.panel, rig.port, rig.boxes, rig.beeper, view);
    QCOMPARE(controller.modelBoxText(), kProfile1[4]); // hidden load
    controller.dialog()->setText(Box::TxtErrore, QStringLiteral("33"));

    QString shownError;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        FrmDDEConfig *window = view.window();
        QVERIFY(window);
        modal = window->isModal() && window->isVisible();
        shownError = window->findChild<QLineEdit *>(QStringLiteral("TxtErrore"))->text();
        QMenuBar *bar = window->findChild<QMenuBar *>();
        QAction *exit = window->findChild<QAction *>(QStringLiteral("MnuExit"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(exit).center());
    });
    controller.showModal();

    QVERIFY(modal);
    QCOMPARE(shownError, QStringLiteral("33"));
    QVERIFY(!controller.isLoaded());
    QVERIFY(!view.window());
    QCOMPARE(rig.config.activeProfile().RotorError, qint16(33));
    QVERIFY(rig.port.portOpen());
}

QTEST_MAIN(TestFrmDDEConfig)
#include "tst_frmddeconfig.moc"
