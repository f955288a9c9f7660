#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the program opens the slave as its serial device, the test plays the
// controller on the master. The test keeps its own slave fd open so the master never reads EIO.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // The controller sends bytes to the program.
    bool send(const QByteArray &bytes);
    // What the program has written so far, waiting (while running the event loop) until at least
    // `count` bytes have come or `timeoutMs` has passed.
    QByteArray read(int count, int timeoutMs = 3000);
    // Whatever has arrived, after letting the event loop run for `settleMs`.
    QByteArray readAvailable(int settleMs = 50);
    // The controller side hangs up.
    void closeMaster();

private:
    QByteArray drain();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
