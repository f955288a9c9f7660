#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// A pseudo-terminal pair: the measured program opens the slave as its serial device and the
// benchmark plays the controller on the master. The slave stays open here too, so the master
// never reads EIO while the program has it closed.
class BenchPty
{
public:
    BenchPty();
    ~BenchPty();
    BenchPty(const BenchPty &) = delete;
    BenchPty &operator=(const BenchPty &) = delete;

    bool isValid() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

    // Everything the program has written so far, without waiting.
    QByteArray drain();
    // Waits until `count` bytes have come from the program or the time is up.
    QByteArray read(int count, std::chrono::milliseconds timeout);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
