#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>

using velkora::platform::TerminationSignals;

namespace {

// A termination signal reaches the event loop as one call, whatever handler the process has.
TEST(TerminationSignals, SignalsBecomeCallsOnTheEventLoop)
{
    for (int sig : {SIGTERM, SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        int calls = 0;
        TerminationSignals guard([&calls] { ++calls; });
        std::raise(sig);
        QElapsedTimer timer;
        timer.start();
        while (calls == 0 && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(calls, 1);
    }
}

} // namespace
