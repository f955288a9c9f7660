#pragma once

#include <QtGlobal>

// What /proc tells of another process.
namespace ProcStat {
// utime + stime of all its threads, in seconds; negative when the process is gone.
double cpuSeconds(qint64 pid);
// The time all its threads have spent on a CPU, from the scheduler's nanosecond clock
// (schedstat): fine enough for a process that wakes a few times a second; negative when gone.
double runSeconds(qint64 pid);
// VmRSS in kB; negative when the process is gone.
qint64 rssKb(qint64 pid);
// How often its main thread has gone to sleep and woken again (voluntary context switches):
// one for each pass of an event loop that waits for its next event.
qint64 mainThreadWakeups(qint64 pid);
// The same, summed over all its threads.
qint64 allThreadsWakeups(qint64 pid);
} // namespace ProcStat
