#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One measured service in a folder of its own: a private session bus (its own dbus-daemon) and
// the service's process on it, offscreen, its output in a log file. Both end (SIGTERM) with this
// object, and with the benchmark if it dies.
class Station
{
public:
    Station();
    ~Station();
    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    bool startBus();
    QString busAddress() const { return m_busAddress; }
    qint64 busPid() const { return m_bus.processId(); }

    // The program copied into this folder (it finds config/ beside its executable), with one
    // profile of `model` at `baud` on port 1 and config/com1 linked to `device`, its front doors
    // shut. A wrapper (such as "valgrind --tool=callgrind") starts the program and its options.
    bool startProgram(const QString &programPath, const QString &device, int baud,
                      const QStringList &wrapper = {},
                      const QByteArray &model = QByteArrayLiteral("PROSISTEL D"));
    // Any other executable, on the same bus.
    bool startService(const QString &path, const QStringList &arguments);

    qint64 pid() const { return m_service.processId(); }
    bool isRunning() const { return m_service.state() == QProcess::Running; }
    // SIGTERM, then SIGKILL if it has not ended in 10 s.
    void stopService();

    QString errorString() const { return m_error; }
    // The end of what the service printed, for a failure message.
    QString logTail() const;

    // Three identical profiles of `model` on port 1 at `baud`, then the filler lines.
    static QByteArray config(const QByteArray &model, int baud);

private:
    bool startProcess(QProcess &process, const QString &path, const QStringList &arguments,
                      const QString &logName);
    bool fail(const QString &why);

    QTemporaryDir m_dir;
    QString m_runtimeDir;
    QProcess m_bus;
    QProcess m_service;
    QString m_busAddress;
    QString m_logPath;
    QString m_error;
};
