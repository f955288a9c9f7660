#pragma once

#include <atomic>
#include <thread>

// Plays a Prosistel D controller in continuous position mode on a pty master, on a thread of its
// own: lines STX "A,?,ddd,B" CR, the azimuth one degree further each line.
class Feeder
{
public:
    explicit Feeder(int masterFd) : m_fd(masterFd) {}
    ~Feeder() { stop(); }
    Feeder(const Feeder &) = delete;
    Feeder &operator=(const Feeder &) = delete;

    static constexpr int kLineBytes = 11;

    // At `linesPerSecond`, each line when its time has come.
    void startPaced(double linesPerSecond);
    // As fast as the pty takes them.
    void startFlood();
    void stop();

    long long linesSent() const { return m_bytes.load() / kLineBytes; }

private:
    void runPaced(double linesPerSecond);
    void runFlood();
    // Writes what it can of `bytes` from `offset`, waiting at most 100 ms for room.
    bool writeSome(const char *bytes, int size, int &offset);
    void appendLine(char *to);
    void discardInput();

    int m_fd;
    int m_azimuth = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_bytes{0};
    std::thread m_thread;
};
