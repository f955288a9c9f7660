// The main window's behaviour against fakes: start-up, activation, the port set-up and its
// failures, ON and OFF, closing.
#include "app/MainForm.h"
#include "app/MainPanel.h"
#include "app/MainWindowView.h"
#include "configuration/Configuration.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Item = MainPanel::Item;

namespace {
class FakeView : public MainWindowView
{
public:
    int top() const override { return m_top; }
    int left() const override { return m_left; }
    void moveTo(int top, int left) override
    {
        m_top = top;
        m_left = left;
    }
    QSize size() const override { return {4700, m_height}; }
    void setOuterHeight(int height) override { m_height = height; }
    QSize screenSize() const override { return {19200, 14400}; }
    void showInFront() override { shown = true; }
    void focusTBox() override {}
    void setOnTop(bool on) override { onTop = on; }
    void requestClose() override { closeRequests++; }

    int m_top = -1, m_left = -1, m_height = 2900;
    bool shown = false;
    bool onTop = false;
    int closeRequests = 0;
};

QByteArray profileFile(const QString &model1, const QString &port1 = QStringLiteral("3"),
                       const QString &handshake1 = QStringLiteral("2 - RTS/DTR"))
{
    const QStringList lines{port1, "4800", "n,8,1", handshake1,     model1,        "5",  "0",
                            "4",   "9600", "N,8,1", "0 - NONE",     "PROSISTEL D", "10", "0",
                            "5",   "1200", "N,8,2", "1 - XON/XOFF", "HY-GAIN",     "20", "0"};
    return lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}
} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startPlacesTheWindow_data();
    void startPlacesTheWindow();
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

private:
    void writeConfig(const QByteArray &bytes);
    MainForm &form();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainPanel> m_panel;
    std::unique_ptr<Configuration> m_config;
    std::unique_ptr<FakeSerialPort> m_port;
    std::unique_ptr<RecordingMessageBoxes> m_boxes;
    std::unique_ptr<FakeView> m_view;
    std::unique_ptr<MainForm> m_form;
    bool m_another = false;
    bool m_statusOk = true;
    int m_statusQueries = 0;
    int m_dialogs = 0;
    int m_abandons = 0;
    std::function<void()> m_inDialog;
};

void TestMainForm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_panel = std::make_unique<MainPanel>();
    m_config = std::make_unique<Configuration>(m_dir->filePath(QStringLiteral("config")));
    m_port = std::make_unique<FakeSerialPort>();
    m_boxes = std::make_unique<RecordingMessageBoxes>();
    m_view = std::make_unique<FakeView>();
    m_another = false;
    m_statusOk = true;
    m_statusQueries = m_dialogs = m_abandons = 0;
    m_inDialog = {};
    m_form.reset();
}

void TestMainForm::cleanup()
{
    m_form.reset();
}

MainForm &TestMainForm::form()
{
    if (!m_form) {
        MainForm::Links links;
        links.anotherInstanceRunning = [this] { return m_another; };
        links.queryRotorStatus = [this] {
            ++m_statusQueries;
            return m_statusOk;
        };
        links.showConfigDialog = [this] {
            ++m_dialogs;
            if (m_inDialog)
                m_inDialog();
        };
        links.abandonDrive = [this] { ++m_abandons; };
        m_form =
            std::make_unique<MainForm>(*m_panel, *m_config, *m_port, *m_boxes, *m_view,
                                       m_dir->filePath(QStringLiteral("config/DDEpos.ini")), links);
    }
    return *m_form;
}

void TestMainForm::writeConfig(const QByteArray &bytes)
{
    QDir().mkpath(m_dir->filePath(QStringLiteral("config")));
    QFile file(m_dir->filePath(QStringLiteral("config/SorvikDDE.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestMainForm::startPlacesTheWindow_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::newRow("no file") << QByteArray() << 0 << 0;
    QTest::newRow("two lines") << QByteArray(" 1500 \r\n 3000 \r\n") << 1500 << 3000;
    QTest::newRow("one line") << QByteArray(" 900 \r\n") << 900 << 900;
    QTest::newRow("text") << QByteArray("top\r\nleft\r\n") << 0 << 0;
    // Centred with the window's size before its height is set: (14400-2900)/2, (19200-4700)/2.
    QTest::newRow("minimised") << QByteArray("-480000 \r\n-480000 \r\n") << 5750 << 7250;
    QTest::newRow("exactly -100000") << QByteArray("-100000 \r\n 10 \r\n") << -100000 << 10;
}

void TestMainForm::startPlacesTheWindow()
{
    QFETCH(QByteArray, file);
    QFETCH(int, top);
    QFETCH(int, left);
    if (!file.isEmpty()) {
        QDir().mkpath(m_dir->filePath(QStringLiteral("config")));
        QFile pos(m_dir->filePath(QStringLiteral("config/DDEpos.ini")));
        QVERIFY(pos.open(QIODevice::WriteOnly));
        pos.write(file);
    }
    m_config->setProfileNumber(3);
    QVERIFY(form().Form_Load());
    QCOMPARE(m_view->m_top, top);
    QCOMPARE(m_view->m_left, left);
    QCOMPARE(m_view->m_height, 3000);
    QVERIFY(m_view->shown);
    QCOMPARE(m_config->profileNumber(), 1);
    QCOMPARE(m_panel->caption(), QStringLiteral("DDE[]\u00B0 SorvikDDE v2.3"));
    QCOMPARE(m_panel->text(Item::TBox), QString());
    QCOMPARE(m_panel->text(Item::Label4), QStringLiteral("SORVIKDDE v2.3"));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestMainForm::secondInstanceEndsWithoutTouchingThePositionFile()
{
    m_another = true;
    QVERIFY(!form().Form_Load());
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, QStringLiteral("SorvikDDE already istance mounted!"));
    QCOMPARE(m_boxes->boxes[0].title, QStringLiteral("SORVIK startup"));
    QCOMPARE(m_boxes->boxes[0].icon, MessageBoxes::Icon::Critical);
    form().Form_QueryUnload();
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("config/DDEpos.ini"))));
    QVERIFY(!m_view->shown);
}

void TestMainForm::activationPutsProfileOneInForce()
{
    writeConfig(profileFile(QStringLiteral("ROTOR-EZ")));
    QVERIFY(form().Form_Load());
    form().Form_Activate();
    QCOMPARE(m_port->commPort, 3);
    QCOMPARE(m_port->settings, QStringLiteral("4800, n,8,1"));
    QCOMPARE(m_port->handshaking, 2);
    QCOMPARE(m_port->inputLen, 0);
    QVERIFY(m_port->portOpen());
    QCOMPARE(m_statusQueries, 1);
    QCOMPARE(m_panel->text(Item::TBox), QStringLiteral("STATUS => "));
    QCOMPARE(m_panel->text(Item::LblConfig), QStringLiteral("ROTOR-EZ - COM: 3 - n,8,1 - 4800"));
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM ON"));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestMainForm::activationByModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("txtCom");
    QTest::newRow("DEMO") << "DEMO" << false << "COM OFF";
    QTest::newRow("demo is a model") << "demo" << true << "COM ON";
    QTest::newRow("HY-GAIN") << "HY-GAIN" << true << "COM ON";
}

void TestMainForm::activationByModel()
{
    QFETCH(QString, model);
    QFETCH(bool, open);
    QFETCH(QString, txtCom);
    writeConfig(profileFile(model));
    form().Form_Activate();
    QCOMPARE(m_port->portOpen(), open);
    QCOMPARE(m_panel->text(Item::TxtCom), txtCom);
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestMainForm::setSerRotorFailures_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("handshake");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("openAfter");
    const QString config = QStringLiteral("Rotor PORT CONFIG ERROR OR IN USE! Please check config");
    const QString inUse = QStringLiteral("DDE COM PORT ERROR OR IN USE - COM [%1] v2.3");
    // After a set-up failure the activation still opens the port as it was last configured.
    QTest::newRow("port not a number") << "DCU-1"
                                       << "x"
                                       << "0 - NONE" << false << QStringList{config} << true;
    QTest::newRow("port zero") << "DCU-1"
                               << "0"
                               << "0 - NONE" << false << QStringList{config} << true;
    QTest::newRow("empty handshake") << "DCU-1"
                                     << "3"
                                     << "" << false << QStringList{config} << true;
    QTest::newRow("handshake letter") << "DCU-1"
                                      << "3"
                                      << "A - NONE" << false << QStringList{config} << true;
    QTest::newRow("handshake 4") << "DCU-1"
                                 << "3"
                                 << " 4 - ?" << false << QStringList{config} << true;
    QTest::newRow("held elsewhere")
        << "DCU-1"
        << "3"
        << "0 - NONE" << true << QStringList{config, inUse.arg("3")} << false;
    QTest::newRow("DEMO is silent") << "DEMO"
                                    << "x"
                                    << "" << true << QStringList{} << false;
}

void TestMainForm::setSerRotorFailures()
{
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(QString, handshake);
    QFETCH(bool, held);
    QFETCH(QStringList, messages);
    QFETCH(bool, openAfter);
    writeConfig(profileFile(model, port, handshake));
    m_port->refuseOpen = held;
    form().Form_Activate();
    QCOMPARE(m_boxes->texts(), messages);
    if (!messages.isEmpty())
        QCOMPARE(m_boxes->boxes[0].title, QStringLiteral("SOrvik RotorPort v2.3"));
    QCOMPARE(m_statusQueries, 0);
    QCOMPARE(m_port->portOpen(), openAfter);
    QCOMPARE(m_panel->text(Item::TxtCom),
             openAfter ? QStringLiteral("COM ON") : QStringLiteral("COM OFF"));
}

void TestMainForm::failingStatusRequestIsASetUpFailure()
{
    writeConfig(profileFile(QStringLiteral("PROSISTEL D")));
    m_statusOk = false;
    form().CaricaConfig();
    QCOMPARE(m_boxes->texts().count(
                 QStringLiteral("Rotor PORT CONFIG ERROR OR IN USE! Please check config")),
             1);
    QVERIFY(m_port->portOpen()); // a failure after the open leaves it open
}

void TestMainForm::onAndOff()
{
    writeConfig(profileFile(QStringLiteral("DEMO")));
    form().Form_Activate();
    const int opens = m_port->opens;
    form().MnuOn_Click();
    form().MnuOff_Click();
    QCOMPARE(m_port->opens, opens);
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM OFF"));
    QVERIFY(m_boxes->boxes.isEmpty());

    writeConfig(profileFile(QStringLiteral("ROTOR-EZ")));
    form().Form_Activate();
    QVERIFY(m_port->portOpen());
    form().MnuOn_Click();
    QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("PORT ALREADY OPEN OR IN USE")});
    QCOMPARE(m_boxes->boxes[0].title, QStringLiteral("DDE SORVIK v2.3"));
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM ON"));
    QVERIFY(m_port->portOpen());

    form().MnuOff_Click();
    QVERIFY(!m_port->portOpen());
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM OFF"));
    form().MnuOff_Click();
    QCOMPARE(m_boxes->texts().last(), QStringLiteral("PORT ALREADY CLOSED OR IN USE"));

    m_port->refuseOpen = true;
    form().MnuOn_Click();
    QCOMPARE(m_boxes->texts().last(), QStringLiteral("PORT ALREADY OPEN OR IN USE"));
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM ON"));
}

void TestMainForm::missingFileOpensTheDialogOnceAndNeverTraps()
{
    QVERIFY(form().Form_Load());
    form().Form_Activate();
    QCOMPARE(m_boxes->texts(),
             QStringList{QStringLiteral("DDE-COM PORT ERROR .ini FILE ERROR v2.3")});
    QCOMPARE(m_config->activeProfile().RotorModel, QStringLiteral("DEMO"));
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(m_dialogs, 1);
    // The dialog closed without saving: the activation after it loads again, fails again,
    // and goes on in DEMO instead of opening the dialog for ever.
    QTest::qWait(20);
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_config->activeProfile().RotorModel, QStringLiteral("DEMO"));
    // "Config" later tries again: a file still missing opens the dialog once more.
    form().MnuConfig_Click();
    QTest::qWait(20);
    QCOMPARE(m_dialogs, 3);
    QTest::qWait(20);
    QCOMPARE(m_dialogs, 3);
}

void TestMainForm::configReloadsAfterTheDialog()
{
    writeConfig(profileFile(QStringLiteral("DEMO")));
    form().Form_Activate();
    m_inDialog = [this] {
        writeConfig(profileFile(QStringLiteral("DCU-1")));
        m_config->setProfileNumber(2);
    };
    form().MnuConfig_Click();
    QTRY_COMPARE(m_panel->text(Item::LblConfig),
                 QStringLiteral("PROSISTEL D - COM: 4 - N,8,1 - 9600"));
    QCOMPARE(m_port->commPort, 4);
    QCOMPARE(m_statusQueries, 2);
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM ON"));
}

void TestMainForm::closeSavesPositionAndClosesThePort()
{
    writeConfig(profileFile(QStringLiteral("HY-GAIN")));
    QVERIFY(form().Form_Load());
    form().Form_Activate();
    m_view->moveTo(1500, 3000);
    form().closeProgram();
    QCOMPARE(m_view->closeRequests, 1);
    form().Form_QueryUnload();
    form().Form_QueryUnload();
    QVERIFY(!m_port->portOpen());
    QCOMPARE(m_abandons, 1);
    QFile pos(m_dir->filePath(QStringLiteral("config/DDEpos.ini")));
    QVERIFY(pos.open(QIODevice::ReadOnly));
    QCOMPARE(pos.readAll(), QByteArray::fromHex("2031353030200D0A2033303030200D0A"));
    // Nothing runs after the close.
    const int opens = m_port->opens;
    form().Form_Activate();
    QCOMPARE(m_port->opens, opens);
}

void TestMainForm::rigeneraOpensThePortWithoutTouchingTxtCom()
{
    writeConfig(profileFile(QStringLiteral("DEMO")));
    form().Form_Activate();
    m_panel->setMenuEnabled(MainPanel::Menu::MnuGO, false);
    form().Rigenera();
    QVERIFY(m_port->portOpen());
    QVERIFY(m_panel->menuEnabled(MainPanel::Menu::MnuGO));
    QCOMPARE(m_panel->text(Item::TxtCom), QStringLiteral("COM OFF"));
    QCOMPARE(m_panel->text(Item::LblConfig), QStringLiteral("DEMO - COM: 3 - n,8,1 - 4800"));
}

QTEST_GUILESS_MAIN(TestMainForm)
#include "tst_mainform.moc"
