#include "tests/support/Station.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <cstdio>

Station::Station()
{
    QDir(m_dir.path()).mkdir(QStringLiteral("config"));
    m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

Station::~Station()
{
    for (QProcess *process : {&m_program, &m_sim})
        end(*process);
}

QString Station::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

QString Station::writeConfig(const QByteArray &model, const QByteArray &baud)
{
    QByteArray lines;
    for (int profile = 0; profile < 3; ++profile)
        lines += "1\r\n" + baud + "\r\nN,8,1\r\n0 - NONE\r\n" + model + "\r\n1\r\n0\r\n";
    for (int number = 22; number <= 30; ++number)
        lines += ' ' + QByteArray::number(number) + " \r\n";
    QFile file(path(QStringLiteral("config/SorvikDDE.ini")));
    if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size())
        return file.errorString();
    return {};
}

QString Station::link(int port, const QString &target)
{
    const QString name = path(QStringLiteral("config/com%1").arg(port));
    QFile::remove(name);
    return QFile::link(target, name) ? QString() : QStringLiteral("cannot link ") + name;
}

QString Station::startSim(const QString &simPath, const QStringList &arguments)
{
    m_sim.start(simPath, arguments + QStringList{"--link", path(QStringLiteral("config/com1")),
                                                 "--log", path(QStringLiteral("sim.log"))});
    // It prints its slave's path once the link is in place.
    if (!m_sim.waitForReadyRead(kWaitMs) ||
        !QFileInfo(path(QStringLiteral("config/com1"))).isSymLink())
        return QStringLiteral("the simulator did not start");
    return {};
}

QString Station::startProgram(const QString &programPath, const QStringList &arguments)
{
    const QString exe = path(QStringLiteral("sorvikdde"));
    if (!QFileInfo::exists(exe) && !QFile::copy(programPath, exe))
        return QStringLiteral("cannot copy the program");
    QStringList withDoors = arguments;
    const QStringList off = doorsOff();
    for (qsizetype i = 0; i < off.size(); i += 2) {
        if (!arguments.contains(off[i]))
            withDoors << off[i] << off[i + 1];
    }
    // What it says goes on to the test's own stderr, and is kept for doorPort().
    m_program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QObject::connect(&m_program, &QProcess::readyReadStandardError, &m_program, [this] {
        const QByteArray said = m_program.readAllStandardError();
        m_programSaid += said;
        std::fwrite(said.constData(), 1, size_t(said.size()), stderr);
    });
    m_program.start(exe, withDoors);
    QDeadlineTimer deadline(kWaitMs);
    while (request(QStringLiteral("Label4")).isNull()) {
        if (deadline.hasExpired() || m_program.state() == QProcess::NotRunning)
            return QStringLiteral("the program did not come up on the link");
        QTest::qWait(50);
    }
    return {};
}

QStringList Station::doorsOff()
{
    return {"--rotctld", "off", "--pst-udp", "off", "--n1mm-udp", "off"};
}

quint16 Station::doorPort(const QString &door)
{
    const QRegularExpression told(QStringLiteral("listening on \\S+ port (\\d+) \\(%1\\)")
                                      .arg(QRegularExpression::escape(door)));
    QDeadlineTimer deadline(kWaitMs);
    QRegularExpressionMatch match;
    while (!(match = told.match(QString::fromUtf8(m_programSaid))).hasMatch()) {
        if (deadline.hasExpired() || m_program.state() == QProcess::NotRunning)
            return 0;
        QTest::qWait(20);
    }
    return match.captured(1).toUShort();
}

QDBusMessage Station::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface), method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kWaitMs);
}

QString Station::request(const QString &item)
{
    const QDBusMessage reply = call(QStringLiteral("Request"), {item});
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString()
                                                      : QString();
}

std::pair<int, int> Station::position()
{
    const QDBusMessage reply = call(QStringLiteral("Position"));
    return {reply.arguments().value(0, -2).toInt(), reply.arguments().value(1, -2).toInt()};
}

QByteArrayList Station::simLog() const
{
    QFile file(path(QStringLiteral("sim.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (const qsizetype space = line.indexOf(' '); space > 0)
            lines << line.mid(space + 1);
    }
    return lines;
}

bool Station::end(QProcess &process)
{
    // One that has already gone has no id: kill(0) would hit this whole process group.
    if (process.state() == QProcess::NotRunning)
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    ::kill(pid_t(process.processId()), SIGTERM);
    return process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}
