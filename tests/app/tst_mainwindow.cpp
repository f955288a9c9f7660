// The main window under the offscreen platform, over fakes for the port, the message boxes and
// the beep: its controls as designed, start-up, activation, the port set-up and its failures,
// ON and OFF, the configuration dialog's lifetime, and closing.
#include "app/FrmSorvikDDE.h"
#include "configuration/Configuration.h"
#include "configuration/dialog/FrmDDEConfig.h"
#include "core/MainPanel.h"
#include "core/Pauser.h"
#include "core/Twips.h"
#include "feedback/Banner.h"
#include "feedback/ReplyPoller.h"
#include "feedback/StatusCommand.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>

using Item = MainPanel::Item;
using Box = FrmDDEConfig::Box;

namespace {
const QString kUnknown = QStringLiteral("UNKNOW: Please send your parameter for STOP rotor.");
const QString kConfigError =
    QStringLiteral("Rotor PORT CONFIG ERROR OR IN USE! Please check config");

QByteArray profileFile(const QString &model1, const QString &port1 = QStringLiteral("3"),
                       const QString &handshake1 = QStringLiteral("2 - RTS/DTR"))
{
    const QStringList lines{port1, "4800", "n,8,1", handshake1,     model1,        "5",  "0",
                            "4",   "9600", "N,8,1", "0 - NONE",     "PROSISTEL D", "10", "0",
                            "5",   "1200", "N,8,2", "1 - XON/XOFF", "HY-GAIN",     "20", "0"};
    return lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

// Plays the operator on the configuration dialog each time it is on screen: runs the script,
// then closes it as its close box does, unless the script closed it.
class DialogOperator : public QObject
{
public:
    using Script = std::function<void(FrmDDEConfig &)>;
    DialogOperator()
    {
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<FrmDDEConfig *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog->property("seen").toBool())
                return;
            dialog->setProperty("seen", true);
            ++shows;
            shownBoxes.clear();
            for (int i = 0; i < FrmDDEConfig::kBoxCount; ++i)
                shownBoxes << dialog->text(Box(i));
            if (script)
                script(*dialog);
            if (dialog->isVisible() && !dialog->isClosing())
                dialog->close();
        });
        m_timer.start();
    }
    Script script;
    int shows = 0;
    QStringList shownBoxes;

private:
    QTimer m_timer;
};

void edit(FrmDDEConfig &dialog, Box box, const QString &text)
{
    QWidget *widget = dialog.findChild<QWidget *>(FrmDDEConfig::boxName(box));
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setEditText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(widget))
        line->setText(text);
}
} // namespace

// The main window with the parts it works with, the world replaced by fakes.
struct Rig
{
    Rig() : config(dir.filePath(QStringLiteral("config"))) {}

    void writeConfig(const QByteArray &bytes)
    {
        QDir().mkpath(config.configDir());
        QFile file(config.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void writePosition(const QByteArray &bytes)
    {
        QDir().mkpath(config.configDir());
        QFile file(config.configDir() + QStringLiteral("/DDEpos.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray position() const
    {
        QFile file(config.configDir() + QStringLiteral("/DDEpos.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    void menu(const char *name)
    {
        window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
    }
    int statusRequests() const { return int(port.writes.count(";\r")); }
    // The window's top and left in twips, as the position file stores them.
    QPoint twips() const
    {
        const double dpi = window.logicalDpiY();
        const QRect frame = window.frameGeometry();
        return {int(Twips::fromPixels(frame.left(), dpi)),
                int(Twips::fromPixels(frame.top(), dpi))};
    }

    QTemporaryDir dir;
    MainPanel panel;
    Configuration config;
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
    TimerPauser pauser;
    RotorState state;
    ReplyPoller poller{panel, config.activeProfile(), port, state};
    StatusCommand status{panel, config.activeProfile(), port, boxes};
    Banner banner{panel};
    RotorControl rotor{panel, config.activeProfile(), port, boxes, beeper, pauser, state};
    FrmSorvikDDE window{panel, config, port, boxes, beeper, rotor, status, banner};
};

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void menusInOrder();
    void showsThePanel();
    void trafficBoxShowsWhatThePanelHolds();
    void forwardsInput();
    void onTopKeepsGeometry();

    void startPlacesTheWindow_data();
    void startPlacesTheWindow();
    void positionsThatDoNotFitAreSkipped_data();
    void positionsThatDoNotFitAreSkipped();
    void secondInstanceEndsWithoutTouchingThePositionFile();
    void activationPutsProfileOneInForce();
    void activationByModel_data();
    void activationByModel();
    void setSerRotorFailures_data();
    void setSerRotorFailures();
    void failingStatusRequestIsASetUpFailure();
    void onAndOff();
    void missingFileOpensTheDialogOnceAndNeverTraps();
    void configReloadsAfterTheDialog();
    void closeSavesPositionAndClosesThePort();
    void rigeneraOpensThePortWithoutTouchingTxtCom();

    void hiddenLoadClosesThePortAndStaysLoaded();
    void configAfterHiddenLoadShowsItWithoutLoadingAgain();
    void closingTheDialogAppliesOnce_data();
    void closingTheDialogAppliesOnce();
    void eachOpeningStartsFromTheDesignState();
    void closingTheWindowAppliesAHiddenDialog();
    void closingTheWindowWhileTheDialogIsShown();
    void modelBoxWhileShownReadsTheLiveBox();
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
    Rig rig;
    QWidget *widget = rig.window.findChild<QWidget *>(name);
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
        QCOMPARE(widget->palette().color(widget->backgroundRole()).name().toUpper(), colour);
}

void TestMainWindow::menusInOrder()
{
    Rig rig;
    QStringList captions;
    QStringList names;
    for (QAction *action : rig.window.menuBar()->actions()) {
        captions << action->text();
        names << action->objectName();
        QVERIFY(action->isEnabled());
        QVERIFY(!action->menu());
    }
    QCOMPARE(captions, (QStringList{"Config", "GO", "ON", "OFF", "STATUS", "STOP", "MAP", "?"}));
    QCOMPARE(names, (QStringList{"MnuConfig", "MnuGO", "MnuOn", "MnuOff", "mnuStatus", "MnuStop",
                                 "MnuMap", "MnuHelp"}));
}

void TestMainWindow::showsThePanel()
{
    Rig rig;
    rig.panel.setText(Item::LblGradi, QStringLiteral("045"));
    rig.panel.updateCaption();
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("DDE[045]\u00B0 SorvikDDE v2.3"));
    // Texts show once the handling that set them is over.
    QTRY_COMPARE(rig.window.findChild<QLabel *>(QStringLiteral("LblGradi"))->text(),
                 QStringLiteral("045"));
    rig.panel.setBackground(Item::Text3, MainPanel::kRed);
    rig.panel.setText3ReadOnly(true);
    auto *text3 = rig.window.findChild<QLineEdit *>(QStringLiteral("Text3"));
    QVERIFY(text3->isReadOnly());
    QTRY_COMPARE(text3->palette().color(QPalette::Base), QColor(0xFF, 0, 0));
    rig.panel.setMenuEnabled(MainPanel::Menu::MnuGO, false);
    QVERIFY(!rig.window.menuBar()->actions().at(1)->isEnabled());
    rig.panel.setText(Item::TBox, QStringLiteral("STATUS => "));
    rig.panel.appendTBox(QStringLiteral("A,?,123,R\r\n"));
    auto *tbox = rig.window.findChild<QPlainTextEdit *>(QStringLiteral("TBox"));
    QTRY_VERIFY(tbox->toPlainText().startsWith(QStringLiteral("STATUS => A,?,123,R")));
    QVERIFY(tbox->textCursor().atEnd());
}

void TestMainWindow::trafficBoxShowsWhatThePanelHolds()
{
    // The box shows a few times a second what arrived meanwhile, appended, or all of it after a
    // cut; what shows is what the whole text would show, line ends split across chunks included.
    Rig rig;
    auto *tbox = rig.window.findChild<QPlainTextEdit *>(QStringLiteral("TBox"));
    const auto whole = [&rig] {
        QPlainTextEdit fresh;
        fresh.setPlainText(rig.panel.text(Item::TBox));
        return fresh.toPlainText();
    };
    QRandomGenerator random(11);
    const QString pieces[] = {"A,?,", "123,B\r", "\n", "\r\n", "\r", "AZ: 005\r\n", "x\ny", "\x02"};
    for (int i = 0; i < 600; ++i) {
        QString chunk;
        const int count = random.bounded(1, 40);
        for (int p = 0; p < count; ++p)
            chunk += pieces[random.bounded(int(std::size(pieces)))];
        if (i % 200 == 199)
            chunk += QString(12000, u'z'); // longer than the whole box
        rig.panel.appendTBox(chunk);
        if (i % 20 == 19) {
            QTRY_COMPARE(tbox->toPlainText(), whole());
            QVERIFY(tbox->textCursor().atEnd());
        }
    }
}

void TestMainWindow::forwardsInput()
{
    Rig rig;
    rig.config.activeProfile().RotorModel = QStringLiteral("PROSISTEL D");
    QVERIFY(rig.port.setPortOpen(true));
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    auto *text3 = rig.window.findChild<QLineEdit *>(QStringLiteral("Text3"));
    text3->setFocus();
    QTest::keyClicks(text3, QStringLiteral("3601"));
    QCOMPARE(rig.panel.text(Item::Text3), QStringLiteral("360")); // three characters at most
    QTest::keyClick(text3, Qt::Key_Return);
    QCOMPARE(rig.port.writes.value(1), QByteArray("\x02"
                                                  "AG000\r"));
    QTRY_COMPARE(text3->text(), QString());

    // Typing into Text1 neither changes it nor dispatches.
    auto *text1 = rig.window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    QCOMPARE(text1->text(), QStringLiteral("OK"));
    QTest::keyClicks(text1, QStringLiteral("45"));
    QCOMPARE(text1->text(), QStringLiteral("OK"));
    QCOMPARE(rig.port.writes.size(), 2);

    rig.menu("mnuStatus");
    QCOMPARE(rig.port.writes.last(), QByteArray("\x02"
                                                "A?\r"));
    QTest::keyClicks(text3, QStringLiteral("90"));
    rig.menu("MnuGO");
    QCOMPARE(rig.port.writes.last(), QByteArray("\x02"
                                                "AG090\r"));
    rig.menu("MnuStop");
    QCOMPARE(rig.port.writes.last(), QByteArray("\x02"
                                                "AG977\r"));
    rig.menu("MnuHelp");
    QCOMPARE(rig.boxes.boxes.last().title, QStringLiteral("DDE Sorvik Rotor control v2.3"));
    QVERIFY(rig.boxes.boxes.last().text.startsWith(QStringLiteral("SORVIK DDE ROTOR CONTROL\r\n")));
    QVERIFY(rig.boxes.boxes.last().text.contains(QStringLiteral("Configuration folder: ") +
                                                 rig.config.configDir()));
}

void TestMainWindow::onTopKeepsGeometry()
{
    Rig rig;
    QVERIFY(rig.window.Form_Load(false));
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    auto *check1 = rig.window.findChild<QCheckBox *>(QStringLiteral("Check1"));
    const QRect before = rig.window.geometry();
    check1->click();
    QVERIFY(rig.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(rig.window.isVisible());
    QCOMPARE(rig.window.geometry(), before);
    check1->click();
    QVERIFY(!rig.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(rig.window.geometry(), before);
}

void TestMainWindow::startPlacesTheWindow_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("leftTop"); // twips; (-1, -1): centred on the screen
    QTest::newRow("no file") << QByteArray() << QPoint(0, 0);
    QTest::newRow("two lines") << QByteArray(" 1500 \r\n 3000 \r\n") << QPoint(3000, 1500);
    QTest::newRow("one line") << QByteArray(" 900 \r\n") << QPoint(900, 900);
    QTest::newRow("text") << QByteArray("top\r\nleft\r\n") << QPoint(0, 0);
    QTest::newRow("minimised") << QByteArray("-480000 \r\n-480000 \r\n") << QPoint(-1, -1);
    QTest::newRow("exactly -100000") << QByteArray("-100000 \r\n 10 \r\n") << QPoint(10, -100000);
}

void TestMainWindow::startPlacesTheWindow()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, leftTop);
    Rig rig;
    if (!file.isEmpty())
        rig.writePosition(file);
    rig.config.setProfileNumber(3);
    const QSize before = rig.window.frameGeometry().size();
    QVERIFY(rig.window.Form_Load(false));
    if (leftTop == QPoint(-1, -1)) {
        // Centred with the window's size before its height is set.
        const QSize screen = rig.window.screen()->geometry().size();
        QCOMPARE(
            rig.window.frameGeometry().topLeft(),
            QPoint((screen.width() - before.width()) / 2, (screen.height() - before.height()) / 2));
    } else {
        // Within a pixel's worth of twips.
        QVERIFY2((rig.twips() - leftTop).manhattanLength() <= 30,
                 qPrintable(QStringLiteral("%1,%2").arg(rig.twips().x()).arg(rig.twips().y())));
    }
    // 3000 twips high, unless the controls need more.
    QVERIFY(rig.window.frameGeometry().height() >= Twips::toPixels(3000, rig.window.logicalDpiY()));
    QVERIFY(rig.window.centralWidget()->geometry().bottom() < rig.window.height());
    QVERIFY(rig.window.isVisible());
    QCOMPARE(rig.config.profileNumber(), 1);
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("DDE[]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(rig.panel.text(Item::TBox), QString());
    QCOMPARE(rig.panel.text(Item::Label4), QStringLiteral("SORVIKDDE v2.3"));
    QVERIFY(rig.boxes.boxes.isEmpty());
}

void TestMainWindow::positionsThatDoNotFitAreSkipped_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("top");  // twips; -1: kept where it was
    QTest::addColumn<int>("left"); // twips; -1: kept where it was
    QTest::newRow("1e40") << QByteArray(" 1e40 \r\n 300 \r\n") << -1 << 300;
    QTest::newRow("2147483648") << QByteArray(" 2147483648 \r\n 300 \r\n") << -1 << 300;
    QTest::newRow("22369622000") << QByteArray(" 300 \r\n 22369622000 \r\n") << 300 << -1;
    QTest::newRow("1e999") << QByteArray(" 300 \r\n 1e999 \r\n") << 300 << -1;
    // Words are no numbers: they read as 0.
    QTest::newRow("nan, inf") << QByteArray("nan\r\ninf\r\n") << 0 << 0;
}

void TestMainWindow::positionsThatDoNotFitAreSkipped()
{
    // A coordinate that does not fit is a failing start-up step: it keeps its value.
    QFETCH(QByteArray, file);
    QFETCH(int, top);
    QFETCH(int, left);
    Rig rig;
    rig.window.move(45, 60);
    rig.writePosition(file);
    QVERIFY(rig.window.Form_Load(false));
    const QPoint at = rig.window.frameGeometry().topLeft();
    const double dpi = rig.window.logicalDpiY();
    QCOMPARE(at.y(), top < 0 ? 60 : Twips::toPixels(top, dpi));
    QCOMPARE(at.x(), left < 0 ? 45 : Twips::toPixels(left, dpi));
    // What the next start reads back is what it wrote, never a flipped sign.
    rig.window.close();
    const QList<QByteArray> lines = rig.position().split('\n');
    QVERIFY(lines.value(0).startsWith(' '));
    QVERIFY(lines.value(1).startsWith(' '));
}

void TestMainWindow::secondInstanceEndsWithoutTouchingThePositionFile()
{
    Rig rig;
    QVERIFY(!rig.window.Form_Load(true));
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QCOMPARE(rig.boxes.boxes[0].text, QStringLiteral("SorvikDDE already istance mounted!"));
    QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("SORVIK startup"));
    QCOMPARE(rig.boxes.boxes[0].icon, MessageBoxes::Icon::Critical);
    rig.window.close();
    QCOMPARE(rig.position(), QByteArray("<none>"));
    QVERIFY(!rig.window.isVisible());
}

void TestMainWindow::activationPutsProfileOneInForce()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("ROTOR-EZ")));
    QVERIFY(rig.window.Form_Load(false));
    rig.window.Form_Activate();
    QCOMPARE(rig.port.commPort, 3);
    QCOMPARE(rig.port.settings, QStringLiteral("4800, n,8,1"));
    QCOMPARE(rig.port.handshaking, 2);
    QCOMPARE(rig.port.inputLen, 0);
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.statusRequests(), 1);
    QCOMPARE(rig.panel.text(Item::TBox), QStringLiteral("STATUS => "));
    QCOMPARE(rig.panel.text(Item::LblConfig), QStringLiteral("ROTOR-EZ - COM: 3 - n,8,1 - 4800"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM ON"));
    QVERIFY(rig.boxes.boxes.isEmpty());
}

void TestMainWindow::activationByModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("txtCom");
    QTest::addColumn<QStringList>("boxes");
    // DEMO has no status request: the set-up's request answers with its message.
    QTest::newRow("DEMO") << "DEMO" << false << "COM OFF" << QStringList{kUnknown};
    QTest::newRow("demo is a model") << "demo" << true << "COM ON" << QStringList{kUnknown};
    QTest::newRow("HY-GAIN") << "HY-GAIN" << true << "COM ON" << QStringList{};
}

void TestMainWindow::activationByModel()
{
    QFETCH(QString, model);
    QFETCH(bool, open);
    QFETCH(QString, txtCom);
    QFETCH(QStringList, boxes);
    Rig rig;
    rig.writeConfig(profileFile(model));
    rig.window.Form_Activate();
    QCOMPARE(rig.port.portOpen(), open);
    QCOMPARE(rig.panel.text(Item::TxtCom), txtCom);
    QCOMPARE(rig.boxes.texts(), boxes);
}

void TestMainWindow::setSerRotorFailures_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("handshake");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("openAfter");
    const QString inUse = QStringLiteral("DDE COM PORT ERROR OR IN USE - COM [%1] v2.3");
    // After a set-up failure the activation still opens the port as it was last configured.
    QTest::newRow("port not a number") << "DCU-1"
                                       << "x"
                                       << "0 - NONE" << false << QStringList{kConfigError} << true;
    QTest::newRow("port zero") << "DCU-1"
                               << "0"
                               << "0 - NONE" << false << QStringList{kConfigError} << true;
    QTest::newRow("empty handshake") << "DCU-1"
                                     << "3"
                                     << "" << false << QStringList{kConfigError} << true;
    QTest::newRow("handshake letter") << "DCU-1"
                                      << "3"
                                      << "A - NONE" << false << QStringList{kConfigError} << true;
    QTest::newRow("handshake 4") << "DCU-1"
                                 << "3"
                                 << " 4 - ?" << false << QStringList{kConfigError} << true;
    QTest::newRow("held elsewhere")
        << "DCU-1"
        << "3"
        << "0 - NONE" << true << QStringList{kConfigError, inUse.arg("3")} << false;
    QTest::newRow("DEMO is silent") << "DEMO"
                                    << "x"
                                    << "" << true << QStringList{} << false;
}

void TestMainWindow::setSerRotorFailures()
{
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(QString, handshake);
    QFETCH(bool, held);
    QFETCH(QStringList, messages);
    QFETCH(bool, openAfter);
    Rig rig;
    rig.writeConfig(profileFile(model, port, handshake));
    rig.port.refuseOpen = held;
    rig.window.Form_Activate();
    QCOMPARE(rig.boxes.texts(), messages);
    if (!messages.isEmpty())
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("SOrvik RotorPort v2.3"));
    QCOMPARE(rig.statusRequests(), 0);
    QCOMPARE(rig.port.portOpen(), openAfter);
    QCOMPARE(rig.panel.text(Item::TxtCom),
             openAfter ? QStringLiteral("COM ON") : QStringLiteral("COM OFF"));
    // Beside each box, the traffic box says what failed, once.
    const QString tbox = rig.panel.text(Item::TBox);
    if (messages.isEmpty())
        QVERIFY(!tbox.contains(QStringLiteral("COM PORT: ")));
    else if (held)
        QCOMPARE(tbox.count(QStringLiteral("COM PORT: cannot open\r\n")), 1);
    else
        QCOMPARE(tbox.count(QStringLiteral("COM PORT: ")), 1);
}

void TestMainWindow::failingStatusRequestIsASetUpFailure()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("PROSISTEL D")));
    rig.port.refuseWrites = true;
    rig.window.CaricaConfig();
    QCOMPARE(rig.boxes.texts(), QStringList{kConfigError});
    QVERIFY(rig.port.portOpen()); // a failure after the open leaves it open
}

void TestMainWindow::onAndOff()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("DEMO")));
    rig.window.Form_Activate();
    rig.boxes.boxes.clear();
    const int opens = rig.port.opens;
    rig.menu("MnuOn");
    rig.menu("MnuOff");
    QCOMPARE(rig.port.opens, opens);
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QVERIFY(rig.boxes.boxes.isEmpty());

    rig.writeConfig(profileFile(QStringLiteral("ROTOR-EZ")));
    rig.window.Form_Activate();
    QVERIFY(rig.port.portOpen());
    rig.menu("MnuOn");
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("PORT ALREADY OPEN OR IN USE")});
    QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("DDE SORVIK v2.3"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM ON"));
    QVERIFY(rig.port.portOpen());

    rig.menu("MnuOff");
    QVERIFY(!rig.port.portOpen());
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    rig.menu("MnuOff");
    QCOMPARE(rig.boxes.texts().last(), QStringLiteral("PORT ALREADY CLOSED OR IN USE"));

    rig.port.refuseOpen = true;
    rig.menu("MnuOn");
    QCOMPARE(rig.boxes.texts().last(), QStringLiteral("PORT ALREADY OPEN OR IN USE"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM ON"));
}

void TestMainWindow::missingFileOpensTheDialogOnceAndNeverTraps()
{
    Rig rig;
    DialogOperator op;
    QVERIFY(rig.window.Form_Load(false));
    rig.window.Form_Activate();
    QCOMPARE(rig.boxes.texts(),
             QStringList{QStringLiteral("DDE-COM PORT ERROR .ini FILE ERROR v2.3")});
    QCOMPARE(rig.config.activeProfile().RotorModel, QStringLiteral("DEMO"));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(op.shows, 1);
    QCOMPARE(op.shownBoxes, (QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"}));
    // The dialog closed without saving: the activation after it loads again, fails again,
    // and goes on in DEMO instead of opening the dialog for ever.
    QTRY_COMPARE(rig.panel.text(Item::LblConfig), QStringLiteral("DEMO - COM: 1 - n,8,1 - 4800"));
    QCOMPARE(op.shows, 1);
    QCOMPARE(rig.boxes.boxes.size(), 1);
    // "Config" later tries again: a file still missing opens the dialog once more.
    rig.menu("MnuConfig");
    QTRY_COMPARE(op.shows, 3);
    QCOMPARE(rig.config.activeProfile().RotorModel, QStringLiteral("DEMO"));
}

void TestMainWindow::configReloadsAfterTheDialog()
{
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("DEMO")));
    rig.window.Form_Activate();
    op.script = [&](FrmDDEConfig &dialog) {
        rig.writeConfig(profileFile(QStringLiteral("DCU-1")));
        dialog.OptRotor_Click(1);
    };
    rig.menu("MnuConfig");
    QTRY_COMPARE(rig.panel.text(Item::LblConfig),
                 QStringLiteral("PROSISTEL D - COM: 4 - N,8,1 - 9600"));
    QCOMPARE(rig.port.commPort, 4);
    QCOMPARE(rig.port.writes.count("\x02"
                                   "A?\r"),
             1);
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM ON"));
}

void TestMainWindow::closeSavesPositionAndClosesThePort()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    QVERIFY(rig.window.Form_Load(false));
    rig.window.Form_Activate();
    const double dpi = rig.window.logicalDpiY();
    rig.window.move(Twips::toPixels(3000, dpi), Twips::toPixels(1500, dpi));
    rig.rotor.MnuGO_Click(); // nothing to send; the close still ends any drive
    rig.window.close();
    QVERIFY(!rig.port.portOpen());
    QCOMPARE(rig.position(), QByteArray::fromHex("2031353030200D0A2033303030200D0A"));
    // Nothing runs after the close.
    const int opens = rig.port.opens;
    rig.window.Form_Activate();
    QCOMPARE(rig.port.opens, opens);
    QVERIFY(!rig.window.isVisible());
}

void TestMainWindow::rigeneraOpensThePortWithoutTouchingTxtCom()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("DEMO")));
    rig.window.Form_Activate();
    rig.panel.setMenuEnabled(MainPanel::Menu::MnuGO, false);
    rig.window.Rigenera();
    QVERIFY(rig.port.portOpen());
    QVERIFY(rig.panel.menuEnabled(MainPanel::Menu::MnuGO));
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(rig.panel.text(Item::LblConfig), QStringLiteral("DEMO - COM: 3 - n,8,1 - 4800"));
}

void TestMainWindow::hiddenLoadClosesThePortAndStaysLoaded()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("ARSWIN")));
    rig.window.Form_Activate();
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.window.configModelBox(), QStringLiteral("ARSWIN"));
    QVERIFY(!rig.port.portOpen());
    QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
    auto *dialog = rig.window.findChild<FrmDDEConfig *>();
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    // Read again: no second load, so the port reopened meanwhile stays open.
    rig.port.setPortOpen(true);
    QCOMPARE(rig.window.configModelBox(), QStringLiteral("ARSWIN"));
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.port.closes, 1);
    QCOMPARE(rig.window.findChild<FrmDDEConfig *>(), dialog);
}

void TestMainWindow::configAfterHiddenLoadShowsItWithoutLoadingAgain()
{
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    rig.window.Form_Activate();
    rig.window.configModelBox();
    auto *loaded = rig.window.findChild<FrmDDEConfig *>();
    edit(*loaded, Box::TxtErrore, QStringLiteral("12"));
    rig.port.setPortOpen(true);
    op.script = [&](FrmDDEConfig &shown) {
        QCOMPARE(&shown, loaded);
        QVERIFY(rig.port.portOpen()); // no load this time
    };
    rig.menu("MnuConfig");
    QCOMPARE(op.shows, 1);
    QCOMPARE(op.shownBoxes.value(6), QStringLiteral("12"));
    QVERIFY(!rig.window.findChild<FrmDDEConfig *>());
}

void TestMainWindow::closingTheDialogAppliesOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << "close box";
    QTest::newRow("Exit") << "Exit";
    QTest::newRow("save failing in DEMO") << "save failure";
}

void TestMainWindow::closingTheDialogAppliesOnce()
{
    QFETCH(QString, how);
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    rig.window.Form_Activate();
    const int opens = rig.port.opens;
    op.script = [&](FrmDDEConfig &dialog) {
        edit(dialog, Box::CmbRotorPort, QStringLiteral("9"));
        if (how == u"Exit") {
            dialog.findChild<QAction *>(QStringLiteral("MnuExit"))->trigger();
        } else if (how == u"save failure") {
            edit(dialog, Box::CmbRotor, QStringLiteral("DEMO"));
            edit(dialog, Box::TxtErrore, QStringLiteral("-"));
            dialog.CmdSave_Click();
        }
    };
    rig.menu("MnuConfig");
    QCOMPARE(op.shows, 1);
    QCOMPARE(rig.config.activeProfile().RotorPort, QStringLiteral("9"));
    if (how == u"save failure") {
        // The error text fails again on closing; in DEMO that is not told.
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("DDE SAVE ERROR v2.3")});
        QCOMPARE(rig.port.opens, opens);
        QCOMPARE(rig.panel.text(Item::TxtCom), QStringLiteral("COM OFF"));
        return;
    }
    QVERIFY(rig.boxes.boxes.isEmpty());
    QCOMPARE(rig.port.opens, opens + 1); // the close opened the port once
    QCOMPARE(rig.port.commPort, 9);
}

void TestMainWindow::eachOpeningStartsFromTheDesignState()
{
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    rig.window.Form_Activate();
    op.script = [](FrmDDEConfig &dialog) { dialog.OptRotor_Click(2); };
    rig.menu("MnuConfig");
    QCOMPARE(rig.config.profileNumber(), 3);
    // Loaded afresh: "Rotor 1" marked at creation, then the load marks profile 3 again.
    QTRY_COMPARE(rig.panel.text(Item::LblConfig),
                 QStringLiteral("HY-GAIN - COM: 5 - N,8,2 - 1200"));
    op.script = [&](FrmDDEConfig &dialog) {
        QVERIFY(
            dialog.findChild<QWidget *>(QStringLiteral("OptRotor2"))->property("checked").toBool());
        QVERIFY(!rig.port.portOpen());
    };
    rig.menu("MnuConfig");
    QCOMPARE(op.shows, 2);
    QCOMPARE(op.shownBoxes,
             (QStringList{"5", "1200", "N,8,2", "1 - XON/XOFF", "HY-GAIN", "20", "0"}));
}

void TestMainWindow::closingTheWindowAppliesAHiddenDialog()
{
    Rig rig;
    rig.writeConfig(profileFile(QStringLiteral("ARSWIN")));
    rig.window.Form_Activate();
    rig.window.configModelBox();
    edit(*rig.window.findChild<FrmDDEConfig *>(), Box::TxtDelay, QStringLiteral("42"));
    rig.window.close();
    QVERIFY(!rig.window.findChild<FrmDDEConfig *>());
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
    QVERIFY(!rig.port.portOpen());
}

void TestMainWindow::closingTheWindowWhileTheDialogIsShown()
{
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    rig.window.Form_Activate();
    op.script = [&](FrmDDEConfig &dialog) {
        edit(dialog, Box::TxtDelay, QStringLiteral("42"));
        rig.window.close();
        QVERIFY(dialog.isClosing());
        QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
    };
    rig.menu("MnuConfig");
    QCOMPARE(op.shows, 1);
    QVERIFY(!rig.window.findChild<FrmDDEConfig *>());
    QCOMPARE(rig.config.activeProfile().RotorDelay, qint16(42));
    // The dialog reopened the port on its closing; the window's close came after it.
    QVERIFY(!rig.port.portOpen());
}

void TestMainWindow::modelBoxWhileShownReadsTheLiveBox()
{
    Rig rig;
    DialogOperator op;
    rig.writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    rig.window.Form_Activate();
    op.script = [&](FrmDDEConfig &dialog) {
        edit(dialog, Box::CmbRotor, QStringLiteral("SARTEK"));
        QCOMPARE(rig.window.configModelBox(), QStringLiteral("SARTEK"));
        rig.menu("MnuConfig"); // already shown: nothing opens over it
    };
    rig.menu("MnuConfig");
    QCOMPARE(op.shows, 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
