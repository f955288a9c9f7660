#include "app/link/DdeService.h"
#include "core/MainPanel.h"
#include "core/Pauser.h"
#include "core/RotorProfile.h"
#include "feedback/ReplyPoller.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QProcess>
#include <QtTest>

#include <memory>

using Item = MainPanel::Item;

namespace {
const QString kName = QStringLiteral("org.sorvik.tstddeservice");
constexpr int kWaitMs = 15000;

// Every byte value but NUL, as the serial layer hands it over.
QString allBytesButNul()
{
    QString text;
    for (int b = 1; b < 256; ++b)
        text.append(QChar(b));
    return text;
}
} // namespace

// The link as a logbook sees it: a second bus connection (and gdbus) talking to the service
// asynchronously, since the service answers on this very thread.
class TestDdeService : public QObject
{
    Q_OBJECT
public slots:
    void onChanged(const QString &item, const QString &value) { m_changed.append({item, value}); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void pokeSetsText1AfterTheReply();
    void pokesKeepTheirOrderAndText();
    void pokeIsAnsweredWhileTheHandlingIsModal();
    void pokeIsAnsweredWhileAMessageBoxIsOpen();
    void request_data();
    void request();
    void refused_data();
    void refused();
    void executeChangesNothing();
    void changedFollowsEverySetting();
    void nulNeverCutsAValue();
    void toWire_data();
    void toWire();
    void gdbusClient();
    void busNameFor_data();
    void busNameFor();
    void startFailures();
    void nameIsReleasedOnDestruction();
    void stopForFamiliesWithAStop_data();
    void stopForFamiliesWithAStop();
    void positionReportedAndCommanded_data();
    void positionReportedAndCommanded();
    void canSendTellsTheLine_data();
    void canSendTellsTheLine();

private:
    QDBusMessage call(const QString &method, const QVariantList &args);
    QDBusPendingCall callAsync(const QString &method, const QVariantList &args);
    bool waitForChanged(const QString &item, const QString &value);
    QStringList allTexts() const;

    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<MainPanel> m_panel;
    RotorProfile m_profile;
    FakeSerialPort m_port;
    ReentrantMessageBoxes m_boxes;
    CountingBeeper m_beeper;
    TimerPauser m_pauser;
    std::unique_ptr<RotorState> m_state;
    std::unique_ptr<RotorControl> m_rotor;
    std::unique_ptr<ReplyPoller> m_poller;
    std::unique_ptr<DdeService> m_service;
    QList<QPair<QString, QString>> m_changed;
};

void TestDdeService::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    m_client = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("logbook")));
    QVERIFY(m_client->isConnected());
    QVERIFY(m_client->connect(kName, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"),
                              QStringLiteral("Changed"), this, SLOT(onChanged(QString, QString))));
}

void TestDdeService::init()
{
    m_changed.clear();
    m_panel = std::make_unique<MainPanel>();
    m_profile = RotorProfile();
    m_boxes.boxes.clear();
    m_state = std::make_unique<RotorState>();
    m_rotor = std::make_unique<RotorControl>(*m_panel, m_profile, m_port, m_boxes, m_beeper,
                                             m_pauser, *m_state);
    m_poller = std::make_unique<ReplyPoller>(*m_panel, m_profile, m_port, *m_state);
    m_service = std::make_unique<DdeService>(*m_panel, *m_rotor, *m_state);
    QVERIFY2(m_service->start(kName), qPrintable(m_service->errorString()));
    QVERIFY(m_service->isRunning());
}

void TestDdeService::cleanup()
{
    m_service.reset();
    m_poller.reset();
    m_rotor.reset();
    m_state.reset();
    m_panel.reset();
}

void TestDdeService::cleanupTestCase()
{
    m_client.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("logbook"));
}

QDBusPendingCall TestDdeService::callAsync(const QString &method, const QVariantList &args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kName, QStringLiteral("/nomeForm"),
                                                          QStringLiteral("org.sorvik.DDE"), method);
    message.setArguments(args);
    return m_client->asyncCall(message, kWaitMs);
}

QDBusMessage TestDdeService::call(const QString &method, const QVariantList &args)
{
    QDBusPendingCall pending = callAsync(method, args);
    QDBusPendingCallWatcher watcher(pending);
    if (!watcher.isFinished()) {
        QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
        finished.wait(kWaitMs + 1000);
    }
    return pending.reply();
}

// Signals from one sender arrive in order: once this one is in, every earlier one is too.
bool TestDdeService::waitForChanged(const QString &item, const QString &value)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!m_changed.contains(qMakePair(item, value)) && !deadline.hasExpired())
        QTest::qWait(5);
    return m_changed.contains(qMakePair(item, value));
}

QStringList TestDdeService::allTexts() const
{
    QStringList texts;
    for (int i = 0; i < MainPanel::kItemCount; ++i)
        texts << m_panel->text(static_cast<Item>(i));
    return texts;
}

void TestDdeService::pokeSetsText1AfterTheReply()
{
    QSignalSpy set(m_panel.get(), &MainPanel::text1Set);
    const QDBusMessage reply =
        call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("45")});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(reply.arguments().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(set.count(), 1, kWaitMs);
    QCOMPARE(set.at(0).at(0).toString(), QStringLiteral("45"));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("45"));
}

void TestDdeService::pokesKeepTheirOrderAndText()
{
    // Sent back to back without waiting; the same azimuth twice must arrive twice.
    const QStringList pokes{QStringLiteral("10"), QStringLiteral("45"),
                            QStringLiteral("45"), QStringLiteral("ACK"),
                            QStringLiteral(""),   QStringLiteral("\u00b0\u00ff "),
                            QStringLiteral("359")};
    QSignalSpy set(m_panel.get(), &MainPanel::text1Set);
    QList<QDBusPendingCall> calls;
    for (const QString &poke : pokes)
        calls << callAsync(QStringLiteral("Poke"), {QStringLiteral("Text1"), poke});
    QTRY_COMPARE_WITH_TIMEOUT(set.count(), pokes.size(), kWaitMs);
    QStringList seen;
    for (const QList<QVariant> &args : set)
        seen << args.at(0).toString();
    QCOMPARE(seen, pokes);
    for (QDBusPendingCall &pending : calls) {
        pending.waitForFinished(); // answered long ago: the service needs no event loop for it
        QVERIFY(!pending.isError());
    }
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("359"));
}

void TestDdeService::pokeIsAnsweredWhileTheHandlingIsModal()
{
    // The first poke's handling runs a nested loop, as a modal message box does; its own reply and
    // a second poke's reply must come in meanwhile, and the second poke is handled in that loop.
    QStringList handled;
    QDBusPendingCall first =
        callAsync(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("10")});
    bool bothAnsweredInsideModal = false;
    bool secondHandledInsideModal = false;
    connect(m_panel.get(), &MainPanel::text1Set, this, [&](const QString &text) {
        handled << text;
        if (text != QStringLiteral("10"))
            return;
        QEventLoop modal;
        QDBusPendingCall second =
            callAsync(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("20")});
        QDBusPendingCallWatcher firstWatcher(first);
        QDBusPendingCallWatcher secondWatcher(second);
        auto check = [&] {
            if (firstWatcher.isFinished() && secondWatcher.isFinished() && handled.size() == 2)
                modal.quit();
        };
        connect(&firstWatcher, &QDBusPendingCallWatcher::finished, &modal, check);
        connect(&secondWatcher, &QDBusPendingCallWatcher::finished, &modal, check);
        connect(m_panel.get(), &MainPanel::text1Set, &modal, check, Qt::QueuedConnection);
        QTimer::singleShot(kWaitMs, &modal, &QEventLoop::quit); // only if the link is stuck
        check();
        if (!(firstWatcher.isFinished() && secondWatcher.isFinished() && handled.size() == 2))
            modal.exec();
        bothAnsweredInsideModal = firstWatcher.isFinished() && secondWatcher.isFinished() &&
                                  !first.isError() && !second.isError();
        secondHandledInsideModal = handled.size() == 2;
    });
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 2, kWaitMs + 2000);
    QVERIFY(bothAnsweredInsideModal);
    QVERIFY(secondHandledInsideModal);
    QCOMPARE(handled, (QStringList{QStringLiteral("10"), QStringLiteral("20")}));
    QCOMPARE(m_panel->text(Item::Text1), QStringLiteral("20"));
}

void TestDdeService::pokeIsAnsweredWhileAMessageBoxIsOpen()
{
    // The dispatcher's message for a model the logbook drives itself waits on the operator; the
    // logbook's call is answered while it does.
    connect(m_panel.get(), &MainPanel::text1Set, m_rotor.get(), &RotorControl::Text1_Change);
    m_profile.RotorModel = QStringLiteral("ARSWIN");
    QDBusPendingCall poke =
        callAsync(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("45")});
    bool answeredWhileOpen = false;
    m_boxes.whileOpen = [&] {
        QDBusPendingCallWatcher watcher(poke);
        QEventLoop box;
        connect(&watcher, &QDBusPendingCallWatcher::finished, &box, &QEventLoop::quit);
        QTimer::singleShot(kWaitMs, &box, &QEventLoop::quit); // only if the link is stuck
        if (!watcher.isFinished())
            box.exec();
        answeredWhileOpen = watcher.isFinished() && !poke.isError();
    };
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes.boxes.size(), 1, kWaitMs + 2000);
    QVERIFY(answeredWhileOpen);
}

void TestDdeService::request_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Label4 at start") << "Label4" << false << "";
    QTest::newRow("Text2 at start") << "Text2" << false << "DDE";
    QTest::newRow("LblDelay at start") << "LblDelay" << false << "STATUS OK";
    QTest::newRow("LblConfig at start") << "LblConfig" << false << "DEMO";
    QTest::newRow("TxtCom at start") << "TxtCom" << false << "COM";
    QTest::newRow("TBox at start") << "TBox" << false << "Rotor\r\n";
    const QString bytes = allBytesButNul();
    for (int i = 0; i < MainPanel::kItemCount; ++i) {
        const QString name = MainPanel::itemName(static_cast<Item>(i));
        QTest::newRow(qPrintable(name + QStringLiteral(" set")))
            << name << true << name + QLatin1Char(':') + bytes;
    }
    QTest::newRow("Label4 as the program sets it") << "Label4" << true << "SORVIKDDE v2.3";
}

void TestDdeService::request()
{
    QFETCH(QString, item);
    QFETCH(bool, set);
    QFETCH(QString, expected);
    if (set)
        m_panel->setText(*MainPanel::itemFromName(item), expected);
    const QDBusMessage reply = call(QStringLiteral("Request"), {item});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().size(), 1);
    QCOMPARE(reply.arguments().at(0).toString(), expected);
}

void TestDdeService::refused_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("error");

    const QString notAccepted = QStringLiteral("org.sorvik.DDE.Error.NotAccepted");
    const QString noSuchItem = QStringLiteral("org.sorvik.DDE.Error.NoSuchItem");
    for (int i = 1; i < MainPanel::kItemCount; ++i) {
        const QString name = MainPanel::itemName(static_cast<Item>(i));
        QTest::newRow(qPrintable(QStringLiteral("poke ") + name)) << "Poke" << name << notAccepted;
    }
    const QStringList unknown{QStringLiteral("text1"),
                              QStringLiteral("TEXT1"),
                              QStringLiteral(" Text1"),
                              QStringLiteral("Text1 "),
                              QStringLiteral("MainPanel::Text1"),
                              QStringLiteral("Item::Label4"),
                              QStringLiteral(""),
                              QStringLiteral("Text4"),
                              QStringLiteral("Label1"),
                              QStringLiteral("Text\u00b01")};
    for (const QString &name : unknown) {
        QTest::newRow(qPrintable(QStringLiteral("poke '") + name + QLatin1Char('\'')))
            << "Poke" << name << noSuchItem;
        QTest::newRow(qPrintable(QStringLiteral("request '") + name + QLatin1Char('\'')))
            << "Request" << name << noSuchItem;
    }
}

void TestDdeService::refused()
{
    QFETCH(QString, method);
    QFETCH(QString, item);
    QFETCH(QString, error);
    const QStringList before = allTexts();
    QSignalSpy set(m_panel.get(), &MainPanel::text1Set);
    QSignalSpy changed(m_panel.get(), &MainPanel::textChanged);

    QVariantList args{item};
    if (method == QStringLiteral("Poke"))
        args << QStringLiteral("45");
    const QDBusMessage reply = call(method, args);
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), error);
    QVERIFY(!reply.errorMessage().isEmpty());

    // Nothing queued behind the refusal: a following request is served after it.
    QCOMPARE(call(QStringLiteral("Request"), {QStringLiteral("Text2")}).type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(set.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(allTexts(), before);
}

void TestDdeService::executeChangesNothing()
{
    const QStringList before = allTexts();
    QSignalSpy set(m_panel.get(), &MainPanel::text1Set);
    QSignalSpy changed(m_panel.get(), &MainPanel::textChanged);
    for (const QString &command :
         {QStringLiteral("QUIT"), QStringLiteral("45"), QStringLiteral("")}) {
        const QDBusMessage reply = call(QStringLiteral("Execute"), {command});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }
    call(QStringLiteral("Request"), {QStringLiteral("Text1")});
    QCOMPARE(set.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(allTexts(), before);
}

void TestDdeService::changedFollowsEverySetting()
{
    // Program-made changes, in order; the last one is the marker that all earlier signals are in.
    m_panel->setText(Item::LblGradi, QStringLiteral("045"));
    m_panel->setText(Item::Text1, QStringLiteral("OK"));
    m_panel->setText(Item::Text1, QStringLiteral("OK")); // same text: the logbook still hears it
    m_panel->appendTBox(QStringLiteral("AP1045;\r"));    // traffic: requested, never signalled
    m_panel->setText(Item::TBox, QStringLiteral("Rotor\r\n"));
    m_panel->setText(Item::Text2, QStringLiteral("DDE"));          // unchanged: no signal
    m_panel->setText(Item::LblDelay, QStringLiteral("STATUS OK")); // unchanged: no signal
    m_panel->setText(Item::Label3, QStringLiteral("045"));
    m_panel->setText(Item::Label4, QStringLiteral("SORVIKDDE v2.3"));
    QVERIFY(waitForChanged(QStringLiteral("Label4"), QStringLiteral("SORVIKDDE v2.3")));

    // A poke shows up too, after its reply.
    QCOMPARE(call(QStringLiteral("Poke"), {QStringLiteral("Text1"), QStringLiteral("90")}).type(),
             QDBusMessage::ReplyMessage);
    QVERIFY(waitForChanged(QStringLiteral("Text1"), QStringLiteral("90")));

    const QList<QPair<QString, QString>> expected{
        {QStringLiteral("LblGradi"), QStringLiteral("045")},
        {QStringLiteral("Text1"), QStringLiteral("OK")},
        {QStringLiteral("Text1"), QStringLiteral("OK")},
        {QStringLiteral("Label3"), QStringLiteral("045")},
        {QStringLiteral("Label4"), QStringLiteral("SORVIKDDE v2.3")},
        {QStringLiteral("Text1"), QStringLiteral("90")},
    };
    QCOMPARE(m_changed, expected);
}

void TestDdeService::nulNeverCutsAValue()
{
    const QString raw = QString::fromLatin1("AZ\0=045\0\xff\r\n", 11);
    const QString wire = QString(raw).replace(QChar(u'\0'), QChar(0x2400));
    m_panel->setText(Item::TBox, raw);
    const QDBusMessage reply = call(QStringLiteral("Request"), {QStringLiteral("TBox")});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().at(0).toString(), wire);

    m_panel->setText(Item::Label3, raw);
    m_panel->setText(Item::Text1, QString(QChar(u'\0')));
    QVERIFY(waitForChanged(QStringLiteral("Text1"), QString(QChar(0x2400))));
    QCOMPARE(m_changed.first(), qMakePair(QStringLiteral("Label3"), wire));
    // The program itself keeps the bytes as they came.
    QCOMPARE(m_panel->text(Item::Label3), raw);
}

void TestDdeService::toWire_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QChar nul(u'\0');
    const QChar nulSymbol(0x2400);
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only NUL") << QString(nul) << QString(nulSymbol);
    QTest::newRow("NUL at both ends") << QString(nul) + QStringLiteral("45") + nul
                                      << QString(nulSymbol) + QStringLiteral("45") + nulSymbol;
    QTest::newRow("NUL run") << QStringLiteral("a") + nul + nul + QStringLiteral("b")
                             << QStringLiteral("a") + nulSymbol + nulSymbol + QStringLiteral("b");
    QTest::newRow("other bytes untouched") << allBytesButNul() << allBytesButNul();
}

void TestDdeService::toWire()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(DdeService::toWire(text), expected);
}

void TestDdeService::gdbusClient()
{
    // The command line the README shows, as a logbook script would run it.
    const auto gdbus = [](const QStringList &args) {
        QProcess process;
        process.start(QStringLiteral("gdbus"),
                      QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                                  QStringLiteral("--dest"), kName, QStringLiteral("--object-path"),
                                  QStringLiteral("/nomeForm"), QStringLiteral("--method")} +
                          args);
        QSignalSpy finished(&process, &QProcess::finished);
        if (!process.waitForStarted() || !finished.wait(kWaitMs))
            return std::make_pair(-1, QString());
        return std::make_pair(
            process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()));
    };
    m_panel->setText(Item::Label4, QStringLiteral("SORVIKDDE v2.3"));
    auto [code, out] = gdbus({QStringLiteral("org.sorvik.DDE.Request"), QStringLiteral("Label4")});
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("('SORVIKDDE v2.3',)\n"));

    std::tie(code, out) = gdbus(
        {QStringLiteral("org.sorvik.DDE.Poke"), QStringLiteral("Text1"), QStringLiteral("180")});
    QCOMPARE(code, 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_panel->text(Item::Text1), QStringLiteral("180"), kWaitMs);

    std::tie(code, out) = gdbus(
        {QStringLiteral("org.sorvik.DDE.Poke"), QStringLiteral("Label4"), QStringLiteral("x")});
    QVERIFY(code != 0);
    QVERIFY2(out.contains(QStringLiteral("org.sorvik.DDE.Error.NotAccepted")), qPrintable(out));

    std::tie(code, out) = gdbus({QStringLiteral("org.sorvik.DDE.Execute"), QStringLiteral("[x]")});
    QCOMPARE(code, 0);
}

void TestDdeService::busNameFor_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("expected");
    QTest::newRow("as built") << "sorvikdde"
                              << "org.sorvik.sorvikdde";
    QTest::newRow("full path") << "/opt/sorvik/bin/sorvikdde"
                               << "org.sorvik.sorvikdde";
    QTest::newRow("extension") << "SorvikDDE.exe"
                               << "org.sorvik.SorvikDDE";
    QTest::newRow("last extension only") << "sorvik.dde.bin"
                                         << "org.sorvik.sorvik.dde";
}

void TestDdeService::busNameFor()
{
    QFETCH(QString, executable);
    QFETCH(QString, expected);
    QCOMPARE(DdeService::busNameFor(executable), expected);
}

void TestDdeService::startFailures()
{
    MainPanel panel;
    const QString taken = QStringLiteral("org.sorvik.taken");
    QCOMPARE(m_client->interface()->registerService(taken).value(),
             QDBusConnectionInterface::ServiceRegistered);
    {
        DdeService other(panel, *m_rotor, *m_state);
        // /nomeForm is served already by this test's service.
        QVERIFY(!other.start(QStringLiteral("org.sorvik.second")));
        QVERIFY(other.errorString().startsWith(QStringLiteral("DDE link off: ")));
        QVERIFY(!m_client->interface()
                     ->isServiceRegistered(QStringLiteral("org.sorvik.second"))
                     .value());
    }
    m_service.reset();
    {
        DdeService other(panel, *m_rotor, *m_state);
        QVERIFY(!other.start(taken));
        QVERIFY(!other.isRunning());
        QCOMPARE(
            other.errorString(),
            QStringLiteral(
                "DDE link off: the name org.sorvik.taken is already owned on the session bus"));
        for (const QString &bad : {QStringLiteral("org.sorvik."), QStringLiteral("org.sorvik.9dde"),
                                   QStringLiteral("org.sorvik.sorvik dde"),
                                   QStringLiteral("sorvikdde"), QStringLiteral(":1.5")}) {
            QVERIFY2(!other.start(bad), qPrintable(bad));
            QVERIFY(other.errorString().contains(QStringLiteral("not a valid D-Bus name")));
        }
        // The failures left nothing behind: the object path is free for the next start.
        QVERIFY2(other.start(QStringLiteral("org.sorvik.third")), qPrintable(other.errorString()));
        QVERIFY(other.errorString().isEmpty());
        QVERIFY(
            m_client->interface()->isServiceRegistered(QStringLiteral("org.sorvik.third")).value());
    }
    QVERIFY(m_client->interface()->unregisterService(taken));
}

void TestDdeService::nameIsReleasedOnDestruction()
{
    QVERIFY(m_client->interface()->isServiceRegistered(kName).value());
    m_service.reset();
    QVERIFY(!m_client->interface()->isServiceRegistered(kName).value());
    // Another program may now take it.
    QCOMPARE(m_client->interface()->registerService(kName).value(),
             QDBusConnectionInterface::ServiceRegistered);
    QVERIFY(m_client->interface()->unregisterService(kName));
}

void TestDdeService::stopForFamiliesWithAStop_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("sent"); // empty: NotAvailable
    QTest::newRow("Prosistel D") << "PROSISTEL D"
                                 << QByteArray("\x02"
                                               "AG977\r");
    QTest::newRow("B/C") << "prosistel b/c" << QByteArray("\x02");
    QTest::newRow("Rotor-EZ") << "ROTOR-EZ" << QByteArray();
    QTest::newRow("Hy-Gain") << "HY-GAIN" << QByteArray();
    QTest::newRow("DEMO") << "DEMO" << QByteArray();
    QTest::newRow("ARSWIN") << "ARSWIN" << QByteArray();
}

void TestDdeService::stopForFamiliesWithAStop()
{
    // A network client's stop never opens a box on the operator's screen.
    QFETCH(QString, model);
    QFETCH(QByteArray, sent);
    m_profile.RotorModel = model;
    m_port.writes.clear();
    QVERIFY(m_port.portOpen() || m_port.setPortOpen(true));
    const QDBusMessage reply = call(QStringLiteral("Stop"), {});
    if (sent.isEmpty()) {
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), QStringLiteral("org.sorvik.DDE.Error.NotAvailable"));
        QVERIFY(m_port.writes.isEmpty());
    } else {
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(!m_port.writes.isEmpty());
        QCOMPARE(m_port.writes.first(), sent);
    }
    QVERIFY(m_boxes.boxes.isEmpty());
}

void TestDdeService::positionReportedAndCommanded_data()
{
    QTest::addColumn<QString>("poked");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QPoint>("expected"); // reported, commanded
    QTest::newRow("45, then 123") << "45"
                                  << "A,?,123,B" << QPoint(123, 45);
    QTest::newRow("the top bound") << "359"
                                   << "A,?,359,R" << QPoint(359, 359);
    QTest::newRow("north") << "0"
                           << "A,?,000,R" << QPoint(0, 0);
}

void TestDdeService::positionReportedAndCommanded()
{
    QFETCH(QString, poked);
    QFETCH(QString, report);
    QFETCH(QPoint, expected);
    connect(m_panel.get(), &MainPanel::text1Set, m_rotor.get(), &RotorControl::Text1_Change);
    m_profile.RotorModel = QStringLiteral("PROSISTEL D");
    QVERIFY(m_port.portOpen() || m_port.setPortOpen(true));
    const auto position = [this] {
        const QDBusMessage reply = call(QStringLiteral("Position"), {});
        return reply.arguments().size() == 2
                   ? QPoint(reply.arguments()[0].toInt(), reply.arguments()[1].toInt())
                   : QPoint(-99, -99);
    };
    QCOMPARE(position(), QPoint(-1, -1));
    call(QStringLiteral("Poke"), {QStringLiteral("Text1"), poked});
    QTRY_COMPARE(position(), QPoint(-1, expected.y()));
    m_port.receive(QChar(0x02) + report + QChar(0x0D));
    QCOMPARE(position(), expected);
}

void TestDdeService::canSendTellsTheLine_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("canSend");
    QTest::newRow("line open") << "PROSISTEL D" << true << true;
    QTest::newRow("line closed") << "PROSISTEL D" << false << false;
    QTest::newRow("DEMO sends nothing by design") << "DEMO" << false << true;
}

void TestDdeService::canSendTellsTheLine()
{
    QFETCH(QString, model);
    QFETCH(bool, open);
    QFETCH(bool, canSend);
    m_profile.RotorModel = model;
    if (m_port.portOpen() != open)
        QVERIFY(m_port.setPortOpen(open));
    const QDBusMessage reply = call(QStringLiteral("CanSend"), {});
    QCOMPARE(reply.arguments().value(0, QVariant()).toBool(), canSend);
    QCOMPARE(reply.signature(), QStringLiteral("b"));
}

QTEST_GUILESS_MAIN(TestDdeService)
#include "tst_ddeservice.moc"
