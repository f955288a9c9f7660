// The real program in its own processes, on a private session bus: one instance at a time,
// closing on SIGTERM with the position file written byte for byte, QUIT ending it even under a
// message box, and damaged or hostile files that never stop it from starting and answering.
#include "tests/support/Pty.h"
#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
constexpr int kWaitMs = 20000;
const QString kBusName = QStringLiteral("org.sorvik.sorvikdde");

QByteArray profiles(const QByteArray &model)
{
    QByteArray lines;
    for (int profile = 0; profile < 3; ++profile)
        lines += "1\r\n4800\r\nn,8,1\r\n0 - NONE\r\n" + model + "\r\n1\r\n0\r\n";
    return lines;
}
} // namespace

// A copy of the program in a folder of its own, with its config.
struct Copy
{
    Copy()
    {
        exe = dir.filePath(QStringLiteral("sorvikdde"));
        QFile::copy(QStringLiteral(SORVIKDDE_PATH), exe);
        QDir(dir.path()).mkdir(QStringLiteral("config"));
    }
    QString config(const QString &name) const { return dir.filePath("config/" + name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(config(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    // Started and, unless it is to end by itself, on the bus.
    bool start(QProcess &process, const QStringList &environment = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &assignment : environment)
            env.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
        process.setProcessEnvironment(env);
        process.start(exe, Station::doorsOff());
        return process.waitForStarted();
    }

    QTemporaryDir dir;
    QString exe;
};

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void secondInstanceEndsAndSigtermCloses();
    void quitEndsTheProgramUnderAMessageBox();
    void hostileFiles_data();
    void hostileFiles();
    void unwritableRuntimeFolder();
    void unwritableConfigFolderSaidOnce();
    void fileSizeLimitFailsTheSaveOnly();

private:
    bool answers();
    static bool ends(QProcess &process, int signal);
};

void TestProgram::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
}

bool TestProgram::answers()
{
    // The name appears once the program has set up; then Label4 names it.
    QDBusInterface link(kBusName, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"));
    QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired()) {
        const QDBusReply<QString> reply = link.call(QStringLiteral("Request"), "Label4");
        if (reply.isValid())
            return reply.value().startsWith(QStringLiteral("SORVIKDDE v2.3"));
        QTest::qWait(50);
    }
    return false;
}

bool TestProgram::ends(QProcess &process, int signal)
{
    if (signal)
        ::kill(pid_t(process.processId()), signal);
    return process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void TestProgram::secondInstanceEndsAndSigtermCloses()
{
    Copy copy;
    // Port 1 points nowhere: no real device is ever opened.
    QVERIFY(QFile::link(copy.dir.filePath(QStringLiteral("no-such-device")),
                        copy.config(QStringLiteral("com1"))));
    copy.write(QStringLiteral("SorvikDDE.ini"), profiles("DEMO"));
    copy.write(QStringLiteral("DDEpos.ini"), " 1500 \r\n 3000 \r\n");
    const QString position = copy.config(QStringLiteral("DDEpos.ini"));

    QProcess first;
    QVERIFY(copy.start(first));
    QVERIFY(answers());

    // The second instance shows its message and waits for it; then it is told to end.
    QFile::remove(position);
    QProcess second;
    QVERIFY(copy.start(second));
    // Its link is off, since the first holds the name; then it waits on its message box.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += second.readAllStandardError()).contains("already owned"),
                             kWaitMs);
    QCOMPARE(second.state(), QProcess::Running);
    QVERIFY(ends(second, SIGTERM));
    QVERIFY2(!QFile::exists(position), "the second instance wrote the position file");
    QCOMPARE(first.state(), QProcess::Running);

    QVERIFY(ends(first, SIGTERM));
    QFile file(position);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray::fromHex("2031353030200D0A2033303030200D0A"));

    // Once the first has ended, a new instance starts normally.
    QProcess third;
    QVERIFY(copy.start(third));
    QVERIFY(answers());
    QVERIFY(ends(third, SIGINT));
}

void TestProgram::quitEndsTheProgramUnderAMessageBox()
{
    // Prosistel B/C has no status request: the port set-up answers with a message box, which
    // stays open while the logbook pokes QUIT.
    Copy copy;
    Pty pty;
    QVERIFY(QFile::link(pty.slavePath(), copy.config(QStringLiteral("com1"))));
    copy.write(QStringLiteral("SorvikDDE.ini"), profiles("PROSISTEL B/C"));
    QProcess program;
    QVERIFY(copy.start(program));
    QVERIFY(answers());
    QDBusInterface link(kBusName, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"));
    QTRY_COMPARE_WITH_TIMEOUT(
        QDBusReply<QString>(link.call(QStringLiteral("Request"), "TBox")).value(),
        QStringLiteral("STATUS => "), kWaitMs);
    link.call(QStringLiteral("Poke"), "Text1", "QUIT");
    QVERIFY(ends(program, 0));
    QVERIFY(QFile::exists(copy.config(QStringLiteral("DDEpos.ini"))));
}

void TestProgram::hostileFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("kind");
    for (const char *file : {"SorvikDDE.ini", "DDEpos.ini"}) {
        for (const char *kind : {"fifo", "dev-zero", "folder", "2 MiB"})
            QTest::addRow("%s %s", file, kind) << file << kind;
    }
    for (const char *value : {"1e40", "-1e40", "2147483648", "nan", "inf"})
        QTest::addRow("position %s", value) << "DDEpos.ini" << value;
}

void TestProgram::hostileFiles()
{
    // Whatever stands in place of a file, the program starts, answers and ends cleanly.
    QFETCH(QString, file);
    QFETCH(QString, kind);
    Copy copy;
    QVERIFY(QFile::link(copy.dir.filePath(QStringLiteral("no-such-device")),
                        copy.config(QStringLiteral("com1"))));
    if (file != u"SorvikDDE.ini")
        copy.write(QStringLiteral("SorvikDDE.ini"), profiles("DEMO"));
    const QString path = copy.config(file);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"dev-zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == u"2 MiB")
        copy.write(file, QByteArray(2 * 1024 * 1024, '7'));
    else
        copy.write(file, (kind + "\r\n" + kind + "\r\n").toLatin1());

    QProcess program;
    QVERIFY(copy.start(program));
    QVERIFY2(answers(), program.readAllStandardError().constData());
    QVERIFY(ends(program, SIGTERM));
    // Its position was never written through the link into the device.
    QVERIFY(!QFileInfo(QStringLiteral("/dev/zero")).isFile());
}

void TestProgram::unwritableRuntimeFolder()
{
    // The single-instance lock cannot be made at all: that is no other instance. The program
    // runs, says why once, and keeps its files.
    Copy copy;
    copy.write(QStringLiteral("SorvikDDE.ini"), profiles("DEMO"));
    QVERIFY(QFile::link(copy.dir.filePath(QStringLiteral("no-such-device")),
                        copy.config(QStringLiteral("com1"))));
    const QString runtime = copy.dir.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), runtime}) != 0)
        QSKIP("chattr +i is not available here");
    QProcess program;
    QVERIFY(copy.start(program, {QStringLiteral("XDG_RUNTIME_DIR=") + runtime}));
    const bool answered = answers();
    const bool ended = ends(program, SIGTERM);
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), runtime});
    QVERIFY(answered);
    QVERIFY(ended);
    const QByteArray said = program.readAllStandardError();
    QCOMPARE(said.count("single-instance lock"), 1);
    QVERIFY(QFile::exists(copy.config(QStringLiteral("DDEpos.ini"))));
}

void TestProgram::unwritableConfigFolderSaidOnce()
{
    // Nothing can be saved: one line on stderr and one in the traffic box say so, and the
    // program runs on.
    Copy copy;
    copy.write(QStringLiteral("SorvikDDE.ini"), profiles("DEMO"));
    const QString config = copy.dir.filePath(QStringLiteral("config"));
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), config}) != 0)
        QSKIP("chattr +i is not available here");
    const auto unlock = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), config});
    });
    QProcess program;
    QVERIFY(copy.start(program));
    QVERIFY(answers());
    QDBusInterface link(kBusName, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"));
    const auto tbox = [&] {
        return QDBusReply<QString>(link.call(QStringLiteral("Request"), "TBox")).value();
    };
    const QString line = "the configuration folder " + config + " cannot be written";
    QTRY_VERIFY_WITH_TIMEOUT(tbox().contains(line), kWaitMs);
    QCOMPARE(tbox().count(line), 1);
    QVERIFY(ends(program, SIGTERM));
    const QByteArray said = program.readAllStandardError();
    QCOMPARE(said.count(line.toLocal8Bit()), 1);
    QVERIFY(said.contains("window position"));
}

void TestProgram::fileSizeLimitFailsTheSaveOnly()
{
    // Under `ulimit -f 0` the position cannot be written: the old file stays and the program
    // ends normally instead of being killed by SIGXFSZ.
    Copy copy;
    copy.write(QStringLiteral("SorvikDDE.ini"), profiles("DEMO"));
    copy.write(QStringLiteral("DDEpos.ini"), " 15 \r\n 30 \r\n");
    QVERIFY(QFile::link(copy.dir.filePath(QStringLiteral("no-such-device")),
                        copy.config(QStringLiteral("com1"))));
    QProcess program;
    program.setChildProcessModifier([] {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &none);
    });
    QVERIFY(copy.start(program));
    QVERIFY(answers());
    QVERIFY(ends(program, SIGTERM));
    QFile file(copy.config(QStringLiteral("DDEpos.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(" 15 \r\n 30 \r\n"));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
