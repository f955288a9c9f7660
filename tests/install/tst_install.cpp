// What `cmake --install` and the package give a user: the files in their places and valid, the
// installed program keeping its files in the user's own configuration folder and never beside
// itself (root included), the bus starting it at a client's first call, and the .deb's contents.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
constexpr int kWaitMs = 30000;
const QString kService = QStringLiteral("org.sorvik.sorvikdde");
const QStringList kInstalled{
    "bin/sorvikdde",
    "bin/sorvikdde-sim",
    "bin/sorvikdde-rotctld",
    "share/applications/org.sorvik.sorvikdde.desktop",
    "share/icons/hicolor/scalable/apps/org.sorvik.sorvikdde.svg",
    "share/metainfo/org.sorvik.sorvikdde.metainfo.xml",
    "share/man/man1/sorvikdde.1.gz",
    "share/man/man1/sorvikdde-rotctld.1.gz",
    "share/man/man1/sorvikdde-sim.1.gz",
    "share/doc/sorvikdde/copyright",
    "share/doc/sorvikdde/changelog.gz",
    "share/dbus-1/services/org.sorvik.sorvikdde.service",
};

// Runs a command to its end; its standard output, or nothing when it failed.
std::optional<QByteArray> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs * 4) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s: %s%s", qPrintable(program), process.readAllStandardOutput().constData(),
                 process.readAllStandardError().constData());
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// Every file below a folder with its size and time: what the program may not change.
QStringList snapshot(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files << info.filePath() + QString::number(info.size()) +
                     info.lastModified().toString(Qt::ISODateWithMs);
    }
    files.sort();
    return files;
}
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installedFiles();
    void validFiles();
    void filesStayInTheUsersFolder_data();
    void filesStayInTheUsersFolder();
    void busStartsTheInstalledProgram();
    void debianPackage();

private:
    QProcessEnvironment userEnvironment() const;
    QString prefix(const QString &path = {}) const { return m_root.filePath("usr/" + path); }

    QTemporaryDir m_root;
    bool m_canLock = false; // chattr +i works here
};

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    QVERIFY(run(QStringLiteral(CMAKE_COMMAND),
                {"--install", QStringLiteral(BUILD_DIR), "--prefix", prefix()}));
    QDir().mkpath(m_root.filePath(QStringLiteral("home")));
    // The program's front doors stay shut: parallel tests must not meet on the default ports.
    const QString config = m_root.filePath(QStringLiteral("home/.config/sorvikdde/config"));
    QDir().mkpath(config);
    QFile doors(config + QStringLiteral("/Doors.ini"));
    QVERIFY(doors.open(QIODevice::WriteOnly));
    doors.write("rotctld=off\npst-udp=off\nn1mm-udp=off\n");
    doors.close();
    QDir().mkpath(m_root.filePath(QStringLiteral("run")));
    QFile::setPermissions(m_root.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Tests run as root, who may write anywhere; an immutable bin folder is what a user finds.
    m_canLock = QProcess::execute(QStringLiteral("chattr"), {"+i", prefix("bin")}) == 0 &&
                QProcess::execute(QStringLiteral("chattr"), {"-i", prefix("bin")}) == 0;
}

void TestInstall::cleanupTestCase()
{
    QProcess::execute(QStringLiteral("chattr"), {"-i", prefix("bin")});
}

QProcessEnvironment TestInstall::userEnvironment() const
{
    // A user's session, with nothing of the build tree in it.
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), m_root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QProcessEnvironment here = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DBUS_SESSION_BUS_ADDRESS", "ASAN_OPTIONS", "UBSAN_OPTIONS"})
        if (here.contains(QString::fromLatin1(name)))
            env.insert(QString::fromLatin1(name), here.value(QString::fromLatin1(name)));
    return env;
}

void TestInstall::installedFiles()
{
    for (const QString &file : kInstalled)
        QVERIFY2(QFileInfo::exists(prefix(file)), qPrintable(file));
    QFile service(prefix(kInstalled.last()));
    QVERIFY(service.open(QIODevice::ReadOnly));
    QCOMPARE(service.readAll(), "[D-BUS Service]\nName=org.sorvik.sorvikdde\nExec=" +
                                    prefix("bin/sorvikdde").toLocal8Bit() + "\n");
    // Nothing the programs load lives in the build tree.
    for (const char *program : {"sorvikdde", "sorvikdde-sim", "sorvikdde-rotctld"}) {
        const std::optional<QByteArray> libraries =
            run(QStringLiteral("ldd"), {prefix(QStringLiteral("bin/") + program)});
        QVERIFY(libraries);
        QVERIFY2(!libraries->contains("not found") && !libraries->contains(BUILD_DIR),
                 libraries->constData());
    }
}

void TestInstall::validFiles()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty(),
             "desktop-file-validate missing: scripts/setup installs desktop-file-utils");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("appstreamcli")).isEmpty(),
             "appstreamcli missing: scripts/setup installs appstream");
    QVERIFY(run(QStringLiteral("desktop-file-validate"), {prefix(kInstalled[3])}));
    QVERIFY(run(QStringLiteral("appstreamcli"), {"validate", "--no-net", prefix(kInstalled[5])}));
}

void TestInstall::filesStayInTheUsersFolder_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("configBeside");
    QTest::addColumn<QString>("xdgConfigHome");
    QTest::addColumn<QString>("folder");
    const QString home = m_root.filePath(QStringLiteral("home/.config/sorvikdde/config"));
    QTest::newRow("bin unwritable") << true << false << QString() << home;
    QTest::newRow("root, bin writable") << false << false << QString() << home;
    // Left by an older version that wrote beside itself: never taken up again.
    QTest::newRow("config folder beside it") << false << true << QString() << home;
    QTest::newRow("XDG_CONFIG_HOME") << false << false << m_root.filePath(QStringLiteral("xdg"))
                                     << m_root.filePath(QStringLiteral("xdg/sorvikdde/config"));
    QTest::newRow("relative XDG_CONFIG_HOME ignored")
        << false << false << QStringLiteral("xdg-relative") << home;
}

void TestInstall::filesStayInTheUsersFolder()
{
    QFETCH(bool, locked);
    QFETCH(bool, configBeside);
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, folder);
    if (locked && !m_canLock)
        QSKIP("chattr +i is not available: the installed folder cannot be made unwritable");
    QVERIFY(QDir(m_root.filePath(QStringLiteral("home"))).removeRecursively());
    QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("home"))));
    const QString beside = prefix(QStringLiteral("bin/config"));
    if (configBeside)
        QVERIFY(QDir().mkdir(beside));
    const auto restore = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("chattr"), {"-i", prefix("bin")});
        QDir().rmdir(beside);
    });
    if (locked)
        QCOMPARE(QProcess::execute(QStringLiteral("chattr"), {"+i", prefix("bin")}), 0);
    const QStringList before = snapshot(prefix());

    QProcess program;
    QProcessEnvironment env = userEnvironment();
    if (!xdgConfigHome.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), xdgConfigHome);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(m_root.path());
    program.start(prefix(QStringLiteral("bin/sorvikdde")), {});
    QVERIFY(program.waitForStarted());
    QDBusInterface link(kService, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"));
    QTRY_COMPARE_WITH_TIMEOUT(QDBusReply<QString>(link.call("Request", "Label4")).value(),
                              QStringLiteral("SORVIKDDE v2.3"), kWaitMs);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(kWaitMs));
    QCOMPARE(program.exitCode(), 0);

    QVERIFY2(QFileInfo::exists(folder + QStringLiteral("/DDEpos.ini")),
             program.readAllStandardError().constData());
    QCOMPARE(snapshot(prefix()), before);
    QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("xdg-relative"))));
}

void TestInstall::busStartsTheInstalledProgram()
{
    // A bus of its own whose service folder is the installed one; root's program, started by the
    // bus alone, writes nothing beside itself either.
    const QStringList before = snapshot(prefix());
    const QString busConfig = m_root.filePath(QStringLiteral("bus.conf"));
    QFile conf(busConfig);
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
               "<auth>EXTERNAL</auth><servicedir>" +
               prefix(QStringLiteral("share/dbus-1/services")).toLocal8Bit() +
               "</servicedir><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n");
    conf.close();
    QProcess daemon;
    QProcessEnvironment env = userEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    daemon.setProcessEnvironment(env);
    daemon.start(QStringLiteral("dbus-daemon"),
                 {"--config-file=" + busConfig, "--print-address", "--nofork"});
    QVERIFY(daemon.waitForStarted());
    QVERIFY(daemon.waitForReadyRead(kWaitMs));
    const QString address = QString::fromLocal8Bit(daemon.readLine()).trimmed();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("private"));
        QVERIFY(bus.isConnected());
        QVERIFY(!bus.interface()->isServiceRegistered(kService).value());
        // The first call starts the program.
        QDBusInterface link(kService, QStringLiteral("/nomeForm"), QStringLiteral("org.sorvik.DDE"),
                            bus);
        link.setTimeout(kWaitMs);
        const QDBusReply<QString> label = link.call("Request", "Label4");
        QVERIFY2(label.isValid(), qPrintable(label.error().message()));
        QCOMPARE(label.value(), QStringLiteral("SORVIKDDE v2.3"));
        const QDBusReply<uint> pid = bus.interface()->servicePid(kService);
        QVERIFY(pid.isValid());
        ::kill(pid_t(pid.value()), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!bus.interface()->isServiceRegistered(kService).value(), kWaitMs);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("private"));
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(kWaitMs));
    QCOMPARE(snapshot(prefix()), before);
}

void TestInstall::debianPackage()
{
    const QString out = m_root.filePath(QStringLiteral("package"));
    QVERIFY(run(QStringLiteral(CPACK_COMMAND),
                {"--config", QStringLiteral(BUILD_DIR "/CPackConfig.cmake"), "-B", out}));
    const QStringList debs = QDir(out).entryList({QStringLiteral("sorvikdde_*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = QDir(out).filePath(debs.first());

    const std::optional<QByteArray> contents = run(QStringLiteral("dpkg-deb"), {"-c", deb});
    QVERIFY(contents);
    for (const QString &file : kInstalled)
        QVERIFY2(contents->contains(("./usr/" + file).toLatin1()), qPrintable(file));

    const std::optional<QByteArray> info = run(QStringLiteral("dpkg-deb"), {"-I", deb});
    QVERIFY(info);
    QVERIFY2(info->contains("Section: hamradio"), info->constData());
    for (const char *library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6",
                                "libqt6dbus6", "libqt6network6"})
        QVERIFY2(info->contains(QByteArray(library)), library);

    const std::optional<QByteArray> service =
        run(QStringLiteral("dpkg-deb"), {"--fsys-tarfile", deb});
    QVERIFY(service && service->contains("Exec=/usr/bin/sorvikdde\n"));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
