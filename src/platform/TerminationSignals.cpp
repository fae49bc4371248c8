#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace velkora::platform {

namespace {

sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    // A closed terminal or a service manager that stops the program sends this one.
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

void TerminationSignals::blockInAllThreads()
{
    const sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
{
    const sigset_t set = terminationSet();
    // A signal can only be read from the descriptor while it is blocked in this thread.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::deliver);
}

TerminationSignals::~TerminationSignals()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void TerminationSignals::deliver()
{
    signalfd_siginfo info;
    bool received = false;
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        received = true;
    if (received && m_onSignal)
        m_onSignal();
}

} // namespace velkora::platform
