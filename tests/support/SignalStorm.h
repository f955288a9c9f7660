#pragma once

#include <cerrno>
#include <csignal>

// Raises a signal far more often than a handler's pipe holds, with nothing read in between:
// once the pipe is full every write in the handler fails. Returns how many times errno was not
// what the interrupted code had left in it.
inline int errnoChangesInSignalStorm(int signal)
{
    int changes = 0;
    for (int i = 0; i < 100000; ++i) {
        errno = EDOM;
        std::raise(signal);
        if (errno != EDOM)
            ++changes;
    }
    return changes;
}
