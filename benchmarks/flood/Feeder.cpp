#include "benchmarks/flood/Feeder.h"

#include <cstdio>
#include <ctime>
#include <poll.h>
#include <unistd.h>

void Feeder::startPaced(double linesPerSecond)
{
    stop();
    m_stop = false;
    m_thread = std::thread([this, linesPerSecond] { runPaced(linesPerSecond); });
}

void Feeder::startFlood()
{
    stop();
    m_stop = false;
    m_thread = std::thread([this] { runFlood(); });
}

void Feeder::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Feeder::appendLine(char *to)
{
    // Exactly kLineBytes: STX, "A,?,", three digits, ",B", CR.
    char line[kLineBytes + 1];
    std::snprintf(line, sizeof line, "\002A,?,%03d,B\r", m_azimuth);
    m_azimuth = (m_azimuth + 1) % 360;
    for (int i = 0; i < kLineBytes; ++i)
        to[i] = line[i];
}

void Feeder::discardInput()
{
    // What the program writes (a status request) must not fill the master's buffer.
    char sink[256];
    while (::read(m_fd, sink, sizeof sink) > 0) {
    }
}

bool Feeder::writeSome(const char *bytes, int size, int &offset)
{
    pollfd fd{m_fd, POLLOUT, 0};
    if (::poll(&fd, 1, 100) <= 0)
        return false;
    const ssize_t n = ::write(m_fd, bytes + offset, size_t(size - offset));
    if (n <= 0)
        return false;
    offset += int(n);
    m_bytes += n;
    return true;
}

void Feeder::runPaced(double linesPerSecond)
{
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const double periodNs = 1e9 / linesPerSecond;
    for (long long line = 0; !m_stop; ++line) {
        // Line `line` is due at start + line * period: a late wake-up does not slow the pace.
        const long long due = (long long)(double(line) * periodNs);
        timespec at{start.tv_sec + time_t(due / 1000000000),
                    start.tv_nsec + long(due % 1000000000)};
        if (at.tv_nsec >= 1000000000) {
            at.tv_sec += 1;
            at.tv_nsec -= 1000000000;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        char bytes[kLineBytes];
        appendLine(bytes);
        int offset = 0;
        while (offset < kLineBytes && !m_stop)
            writeSome(bytes, kLineBytes, offset);
        discardInput();
    }
}

void Feeder::runFlood()
{
    constexpr int kLines = 372; // about 4 KB a write
    char block[kLines * kLineBytes];
    while (!m_stop) {
        for (int i = 0; i < kLines; ++i)
            appendLine(block + i * kLineBytes);
        int offset = 0;
        while (offset < int(sizeof block) && !m_stop)
            writeSome(block, int(sizeof block), offset);
        discardInput();
    }
}
