#include "benchmarks/support/Station.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/prctl.h>

namespace {
constexpr int kStartMs = 10000;
constexpr int kStopMs = 10000;
} // namespace

Station::Station()
{
    m_runtimeDir = m_dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(m_runtimeDir);
    QFile::setPermissions(m_runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

Station::~Station()
{
    stopService();
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        if (!m_bus.waitForFinished(kStopMs))
            m_bus.kill();
        m_bus.waitForFinished(kStopMs);
    }
}

bool Station::fail(const QString &why)
{
    m_error = why;
    return false;
}

QByteArray Station::config(const QByteArray &model, int baud)
{
    QByteArray bytes;
    for (int profile = 0; profile < 3; ++profile)
        bytes += "1\r\n" + QByteArray::number(baud) + "\r\nN,8,1\r\n0 - NONE\r\n" + model +
                 "\r\n1\r\n0\r\n";
    for (int line = 22; line <= 30; ++line)
        bytes += ' ' + QByteArray::number(line) + " \r\n";
    return bytes;
}

bool Station::startProcess(QProcess &process, const QString &path, const QStringList &arguments,
                           const QString &logName)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    if (!m_busAddress.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    process.setProcessEnvironment(env);
    // Nothing of ours outlives a benchmark that dies.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    if (!logName.isEmpty()) {
        m_logPath = m_dir.filePath(logName);
        process.setStandardOutputFile(m_logPath);
        process.setStandardErrorFile(m_logPath, QIODevice::Append);
    }
    process.start(path, arguments);
    if (!process.waitForStarted(kStartMs))
        return fail(QStringLiteral("%1 does not start: %2").arg(path, process.errorString()));
    return true;
}

bool Station::startBus()
{
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder"));
    const QString socket = m_dir.filePath(QStringLiteral("bus"));
    if (!startProcess(m_bus, QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--nopidfile"), QStringLiteral("--print-address"),
                       QStringLiteral("--address=unix:path=") + socket},
                      QString()))
        return false;
    if (!m_bus.waitForReadyRead(kStartMs))
        return fail(QStringLiteral("dbus-daemon printed no address"));
    m_busAddress = QString::fromLocal8Bit(m_bus.readLine().trimmed());
    return !m_busAddress.isEmpty() || fail(QStringLiteral("dbus-daemon printed no address"));
}

bool Station::startProgram(const QString &programPath, const QString &device, int baud,
                           const QStringList &wrapper, const QByteArray &model)
{
    const QString exe = m_dir.filePath(QStringLiteral("sorvikdde"));
    QFile::remove(exe);
    if (!QFile::copy(programPath, exe))
        return fail(QStringLiteral("cannot copy %1").arg(programPath));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    const QString link = m_dir.filePath(QStringLiteral("config/com1"));
    QFile::remove(link);
    if (!QFile::link(device, link))
        return fail(QStringLiteral("cannot link %1 to %2").arg(link, device));
    QFile file(m_dir.filePath(QStringLiteral("config/SorvikDDE.ini")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config(model, baud)) < 0)
        return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
    file.close();
    // Its front doors shut: what is measured here is the link, and a program of the user's may
    // hold the doors' ports.
    const QStringList doorsOff = {QStringLiteral("--rotctld"),  QStringLiteral("off"),
                                  QStringLiteral("--pst-udp"),  QStringLiteral("off"),
                                  QStringLiteral("--n1mm-udp"), QStringLiteral("off")};
    if (!wrapper.isEmpty())
        return startProcess(m_service, wrapper.first(), wrapper.mid(1) << exe << doorsOff,
                            QStringLiteral("sorvikdde.log"));
    return startProcess(m_service, exe, doorsOff, QStringLiteral("sorvikdde.log"));
}

bool Station::startService(const QString &path, const QStringList &arguments)
{
    return startProcess(m_service, path, arguments, QStringLiteral("service.log"));
}

void Station::stopService()
{
    if (m_service.state() == QProcess::NotRunning)
        return;
    m_service.terminate();
    if (!m_service.waitForFinished(kStopMs))
        m_service.kill();
    m_service.waitForFinished(kStopMs);
}

QString Station::logTail() const
{
    QFile log(m_logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = log.readAll();
    return QString::fromLocal8Bit(bytes.right(2000));
}
