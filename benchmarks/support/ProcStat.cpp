#include "benchmarks/support/ProcStat.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace {
QByteArray readProc(qint64 pid, const char *file)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
} // namespace

namespace ProcStat {

double cpuSeconds(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    // The command name may hold blanks: the fields are counted after its closing parenthesis.
    const qsizetype paren = stat.lastIndexOf(')');
    if (paren < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(paren + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name and state.
    if (fields.size() < 13)
        return -1;
    const double ticks = double(fields[11].toLongLong() + fields[12].toLongLong());
    return ticks / double(sysconf(_SC_CLK_TCK));
}

namespace {
// `value` of each of its threads' `file`, summed; -1 when the process is gone.
template <typename Value>
qint64 sumOverThreads(qint64 pid, const char *file, Value value)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return -1;
    qint64 sum = 0;
    for (const QString &thread : threads) {
        const QByteArray path = "task/" + thread.toLatin1() + '/' + file;
        sum += qMax<qint64>(0, value(readProc(pid, path.constData())));
    }
    return sum;
}

qint64 statusField(const QByteArray &status, const QByteArray &name)
{
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
} // namespace

double runSeconds(qint64 pid)
{
    const qint64 nanoseconds = sumOverThreads(pid, "schedstat", [](const QByteArray &stat) {
        return stat.split(' ').value(0).toLongLong();
    });
    return nanoseconds < 0 ? -1 : double(nanoseconds) / 1e9;
}

qint64 rssKb(qint64 pid)
{
    return statusField(readProc(pid, "status"), "VmRSS");
}

qint64 mainThreadWakeups(qint64 pid)
{
    const QByteArray file = "task/" + QByteArray::number(pid) + "/status";
    return statusField(readProc(pid, file.constData()), "voluntary_ctxt_switches");
}

qint64 allThreadsWakeups(qint64 pid)
{
    return sumOverThreads(pid, "status", [](const QByteArray &status) {
        return statusField(status, "voluntary_ctxt_switches");
    });
}

} // namespace ProcStat
