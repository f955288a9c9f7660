#include "sim/SimSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pair[2] = {-1, -1};
constexpr int Caught[] = {SIGTERM, SIGINT};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pair[0], &byte, 1);
    errno = saved;
}

} // namespace

SimSignals::SimSignals(QObject *parent) : QObject(parent)
{
    if (g_pair[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pair) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pair[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : Caught)
        ::sigaction(number, &action, nullptr);
}

SimSignals::~SimSignals()
{
    if (!m_notifier)
        return;
    for (const int number : Caught)
        std::signal(number, SIG_DFL);
    m_notifier.reset();
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}

void SimSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_pair[1], &byte, 1) == 1)
        emit caught(byte);
}
