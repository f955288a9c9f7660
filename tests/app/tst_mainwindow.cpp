// The main window under the offscreen platform: its controls as designed, showing the panel's
// state, forwarding the operator's input, keeping its place when put on top.
#include "app/FrmSorvikDDE.h"
#include "app/MainPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using Item = MainPanel::Item;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void menusInOrder();
    void placesInTwips();
    void showsThePanel();
    void forwardsInput();
    void onTopKeepsGeometry();
};

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("colour");
    QTest::newRow("Text1") << "Text1"
                           << "QLineEdit"
                           << ""
                           << "Received via DDE"
                           << "";
    QTest::newRow("Text2") << "Text2"
                           << "QLineEdit"
                           << "DDE"
                           << "DDE status!"
                           << "#FF0000";
    QTest::newRow("Label3") << "Label3"
                            << "QLabel"
                            << ""
                            << "Last rotor status!"
                            << "#FFFFC0";
    QTest::newRow("LblGradi") << "LblGradi"
                              << "QLabel"
                              << ""
                              << "Last rotor status!"
                              << "#FFFFC0";
    QTest::newRow("Label1") << "Label1"
                            << "QLabel"
                            << "DDE:"
                            << ""
                            << "";
    QTest::newRow("Label2") << "Label2"
                            << "QLabel"
                            << "MANUAL:"
                            << ""
                            << "";
    QTest::newRow("Text3") << "Text3"
                           << "QLineEdit"
                           << ""
                           << "Manual azimuth and press ENTER or GO!"
                           << "";
    QTest::newRow("LblDelay") << "LblDelay"
                              << "QLabel"
                              << "STATUS OK"
                              << ""
                              << "#80FF80";
    QTest::newRow("LblConfig") << "LblConfig"
                               << "QLabel"
                               << "DEMO"
                               << "Config default."
                               << "#C0C0C0";
    QTest::newRow("TxtCom") << "TxtCom"
                            << "QLineEdit"
                            << "COM"
                            << "RS232 COM port status"
                            << "#FFC0FF";
    QTest::newRow("Check1") << "Check1"
                            << "QCheckBox"
                            << "Top"
                            << "Select for the Alway on the top."
                            << "";
    QTest::newRow("TBox") << "TBox"
                          << "QPlainTextEdit"
                          << "Rotor\r\n"
                          << ""
                          << "";
    QTest::newRow("Label4") << "Label4"
                            << "QLabel"
                            << ""
                            << ""
                            << "";
    QTest::newRow("Line1") << "Line1"
                           << "QFrame"
                           << ""
                           << ""
                           << "";
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QString, colour);
    MainPanel panel;
    FrmSorvikDDE window(panel);
    QWidget *widget = window.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QVERIFY(widget->inherits(kind.toLatin1()));
    QString shown;
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        shown = edit->text();
    else if (auto *label = qobject_cast<QLabel *>(widget))
        shown = label->text();
    else if (auto *box = qobject_cast<QCheckBox *>(widget))
        shown = box->text();
    else if (auto *tbox = qobject_cast<QPlainTextEdit *>(widget))
        shown = tbox->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
    QCOMPARE(shown, text);
    QCOMPARE(widget->toolTip(), toolTip);
    if (!colour.isEmpty())
        QVERIFY2(widget->styleSheet().contains(colour), qPrintable(widget->styleSheet()));
}

void TestMainWindow::menusInOrder()
{
    MainPanel panel;
    FrmSorvikDDE window(panel);
    QStringList captions;
    QStringList names;
    for (QAction *action : window.menuBar()->actions()) {
        captions << action->text();
        names << action->objectName();
        QVERIFY(action->isEnabled());
        QVERIFY(!action->menu());
    }
    QCOMPARE(captions, (QStringList{"Config", "GO", "ON", "OFF", "STATUS", "STOP", "?"}));
    QCOMPARE(names, (QStringList{"MnuConfig", "MnuGO", "MnuOn", "MnuOff", "mnuStatus", "MnuStop",
                                 "MnuHelp"}));
}

void TestMainWindow::placesInTwips()
{
    MainPanel panel;
    FrmSorvikDDE window(panel);
    QWidget *text3 = window.findChild<QWidget *>(QStringLiteral("Text3"));
    QCOMPARE(text3->geometry(), QRect(window.twipsToPixels(930), window.twipsToPixels(330),
                                      window.twipsToPixels(645), window.twipsToPixels(285)));
    if (window.logicalDpiY() == 96)
        QCOMPARE(text3->geometry(), QRect(62, 22, 43, 19));
    QCOMPARE(window.pixelsToTwips(window.twipsToPixels(1500)), 1500);
}

void TestMainWindow::showsThePanel()
{
    MainPanel panel;
    FrmSorvikDDE window(panel);
    panel.setText(Item::LblGradi, QStringLiteral("045"));
    panel.updateCaption();
    QCOMPARE(window.windowTitle(), QStringLiteral("DDE[045]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("LblGradi"))->text(), QStringLiteral("045"));
    panel.setBackground(Item::Text3, MainPanel::kRed);
    panel.setText3ReadOnly(true);
    auto *text3 = window.findChild<QLineEdit *>(QStringLiteral("Text3"));
    QVERIFY(text3->isReadOnly());
    QVERIFY(text3->styleSheet().contains(QStringLiteral("#FF0000")));
    panel.setMenuEnabled(MainPanel::Menu::MnuGO, false);
    QVERIFY(!window.menuBar()->actions().at(1)->isEnabled());
    panel.setText(Item::TBox, QStringLiteral("STATUS => "));
    panel.appendTBox(QStringLiteral("A,?,123,R\r\n"));
    auto *tbox = window.findChild<QPlainTextEdit *>(QStringLiteral("TBox"));
    QVERIFY(tbox->toPlainText().startsWith(QStringLiteral("STATUS => A,?,123,R")));
    QVERIFY(tbox->textCursor().atEnd());
}

void TestMainWindow::forwardsInput()
{
    MainPanel panel;
    FrmSorvikDDE window(panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *text3 = window.findChild<QLineEdit *>(QStringLiteral("Text3"));
    QSignalSpy enter(&window, &FrmSorvikDDE::text3Enter);
    text3->setFocus();
    QTest::keyClicks(text3, QStringLiteral("3601"));
    QCOMPARE(panel.text(Item::Text3), QStringLiteral("360")); // three characters at most
    QTest::keyClick(text3, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);

    auto *text1 = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    QSignalSpy set(&panel, &MainPanel::text1Set);
    QTest::keyClicks(text1, QStringLiteral("45"));
    QCOMPARE(text1->text(), QString());
    QCOMPARE(set.count(), 0);

    QSignalSpy menus(&window, &FrmSorvikDDE::menuTriggered);
    window.menuBar()->actions().at(4)->trigger();
    QCOMPARE(menus.count(), 1);
    QCOMPARE(menus.at(0).at(0).value<MainPanel::Menu>(), MainPanel::Menu::mnuStatus);
}

void TestMainWindow::onTopKeepsGeometry()
{
    MainPanel panel;
    FrmSorvikDDE window(panel);
    window.moveTo(1500, 3000);
    window.setOuterHeight(3000);
    window.showInFront();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    window.setOnTop(true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), before);
    window.setOnTop(false);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.geometry(), before);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
