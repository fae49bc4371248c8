#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace velkora::platform {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread, so a workstation that logs
// out (or a "kill") closes the program the ordinary way. The Firebird engine loaded in-process
// takes these signals for itself and leaves the program running; a plain handler does not help
// either, as a signal landing on one of the engine's threads upsets its waits. So the signals
// are blocked in every thread from the start of the program (blockInAllThreads(), before any
// thread exists) and read from a descriptor by the event loop.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Blocks the termination signals in the calling thread; threads created afterwards inherit it.
    static void blockInAllThreads();

    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void deliver();

    std::function<void()> m_onSignal;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace velkora::platform
