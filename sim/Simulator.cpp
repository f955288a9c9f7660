#include "sim/Simulator.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

Simulator::Simulator(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_model(*options.family, options.controller)
{
    m_clock.start();
    m_motionTimer.setSingleShot(true);
    connect(&m_motionTimer, &QTimer::timeout, this, &Simulator::wake);
    connect(&m_pty, &SimPty::received, this,
            [this](const QByteArray &bytes) { take(m_model.receive(bytes, now())); });
    connect(&m_pty, &SimPty::connectedChanged, this, [this](bool connected) {
        note(connected ? QStringLiteral("port opened") : QStringLiteral("port closed"));
    });
}

Simulator::~Simulator()
{
    removeLink();
    note(QStringLiteral("end"));
}

bool Simulator::start(QString *error)
{
    if (!m_log.open(m_options.logPath, error) || !m_pty.open(error))
        return false;
    note(QStringLiteral("%1 at %2, %3 degrees a second, on %4")
             .arg(m_model.family().name())
             .arg(m_options.controller.startAzimuth)
             .arg(m_options.controller.degreesPerSecond)
             .arg(m_pty.slavePath()));
    return m_options.linkPath.isEmpty() || makeLink(error);
}

// What fell due before now is logged first, so the log's times never go back.
void Simulator::note(const QString &text)
{
    const qint64 ms = now();
    take(m_model.advanceTo(ms));
    m_log.note(ms, text);
    m_log.flush();
}

// Made under a temporary name and renamed over the old link, so the path never goes missing
// for a program that is looking at it.
bool Simulator::makeLink(QString *error)
{
    const QByteArray path = QFile::encodeName(m_options.linkPath);
    struct stat existing = {};
    if (::lstat(path.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it")
                     .arg(m_options.linkPath);
        return false;
    }
    const QByteArray temporary = path + ".sim-" + QByteArray::number(::getpid());
    const QByteArray target = QFile::encodeName(m_pty.slavePath());
    ::unlink(temporary.constData());
    if (::symlink(target.constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), path.constData()) != 0) {
        *error = QStringLiteral("cannot make the link %1: %2")
                     .arg(m_options.linkPath, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    m_linkMade = true;
    note(QStringLiteral("link %1").arg(m_options.linkPath));
    return true;
}

// Only a link that still points at this simulator's slave is removed: another one may have
// taken the path over since.
void Simulator::removeLink()
{
    if (!m_linkMade)
        return;
    m_linkMade = false;
    if (QFile::symLinkTarget(m_options.linkPath) == m_pty.slavePath())
        QFile::remove(m_options.linkPath);
}

// Logged at the model's own time for each event, so a report due while the simulator slept
// shows when it fell due.
void Simulator::take(const SimEvents &events)
{
    for (const SimEvent &event : events) {
        if (event.kind != SimEvent::Kind::Sent) {
            m_log.write(event.ms, event);
        } else if (!m_pty.connected()) {
            m_log.write(event.ms, {SimEvent::Kind::Note, event.bytes,
                                   QStringLiteral("not sent, port closed:")});
        } else if (m_pty.write(event.bytes)) {
            m_log.write(event.ms, event);
        } else {
            m_log.write(event.ms, {SimEvent::Kind::Note, event.bytes,
                                   QStringLiteral("not sent: %1").arg(std::strerror(errno))});
        }
    }
    m_log.flush();
    schedule();
}

void Simulator::wake()
{
    take(m_model.advanceTo(now()));
}

void Simulator::schedule()
{
    const auto due = m_model.nextWakeMs();
    if (due)
        m_motionTimer.start(int(std::clamp<qint64>(*due - now(), 0, 60'000)));
    else
        m_motionTimer.stop();
}
