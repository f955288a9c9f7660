#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

// A station for tests that run the real programs as processes on the test's session bus: a
// folder of its own holding config/ and a copy of the program named sorvikdde, the program, and
// optionally the controller simulator on config/com1 and other companions. Every start returns
// empty on success, else what failed.
class Station
{
public:
    static constexpr int kWaitMs = 20000;
    static constexpr auto kService = "org.sorvik.sorvikdde";
    static constexpr auto kPath = "/nomeForm";
    static constexpr auto kInterface = "org.sorvik.DDE";

    Station();
    // SIGTERM to every process still running.
    ~Station();

    QString path(const QString &relative = {}) const;

    // Three profiles of one model on port 1, delay 1 ms, and the 30-line form.
    QString writeConfig(const QByteArray &model, const QByteArray &baud = "9600");
    // config/comN pointing at target (a device, or host:port for a rotator on the network).
    QString link(int port, const QString &target);

    // The doors' options that shut them all.
    static QStringList doorsOff();

    // The simulator on config/com1; its log in sim.log.
    QString startSim(const QString &simPath, const QStringList &arguments);
    // A copy of the program named sorvikdde in the folder, started and serving the link. Its
    // front doors stay shut unless the arguments place them (127.0.0.1:0: a port the system
    // picks), so parallel tests never meet on the default ports.
    QString startProgram(const QString &programPath, const QStringList &arguments = {});
    // The port a door of the program listens on ("rotctld", "PstRotator UDP", "N1MM UDP"), as it
    // told on stderr; 0 when it did not.
    quint16 doorPort(const QString &door);

    QProcess &program() { return m_program; }
    QProcess &sim() { return m_sim; }

    // A blocking call on the link; the program is another process.
    static QDBusMessage call(const QString &method, const QVariantList &arguments = {});
    static QString request(const QString &item);
    // Position(): reported, then commanded.
    static std::pair<int, int> position();

    // The simulator's log lines without their times.
    QByteArrayList simLog() const;

    // SIGTERM; true when the process ended by itself with 0 (or had already ended so).
    static bool end(QProcess &process);

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
    QProcess m_program;
    QByteArray m_programSaid; // its stderr
};
