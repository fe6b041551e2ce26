#include "platform/TerminationSignals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {
// [0] is written by the handler, [1] read on the UI thread. Lives as long as the process.
int g_fds[2] = {-1, -1};
} // namespace

void TerminationSignals::install()
{
    if (g_fds[0] >= 0) {
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0) {
        return;
    }
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_fds[1], F_SETFL, O_NONBLOCK);

    struct sigaction action = {};
    action.sa_handler = &TerminationSignals::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    install();
    if (g_fds[1] < 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
}

void TerminationSignals::handler(int signalNumber)
{
    // Only async-signal-safe work here: hand the number to the event loop.
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(g_fds[0], &byte, 1);
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_fds[1], &byte, 1) == 1) {
        emit terminationRequested(byte);
    }
}
