#include "platform/ProcessExit.h"

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace velkora::platform {

namespace {

std::function<void()>& onExit()
{
    // Never destroyed: exit() runs it after the program's other static objects may be gone.
    static auto* function = new std::function<void()>();
    return *function;
}

void runOnExit()
{
    std::function<void()> function;
    function.swap(onExit());
    if (function)
        function();
}

} // namespace

void exitWithin(int milliseconds)
{
    std::thread([milliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        _exit(0);
    }).detach();
}

namespace {

QtMessageHandler g_previousHandler = nullptr;

// The window system's library says that the display connection broke just before it calls
// exit(): the function runs then, on the user-interface thread, while everything it needs is
// still there. Later, in exit(), objects that were made after the function was set (Qt's calendar
// among them, which dates need) may already be gone.
void watchForDisplayLoss(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(message));
    if (message.startsWith(QLatin1String("The X11 connection broke")))
        runOnExit();
}

} // namespace

void setOnUnexpectedExit(std::function<void()> function)
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        std::atexit(runOnExit);
        g_previousHandler = qInstallMessageHandler(watchForDisplayLoss);
    });
    onExit() = std::move(function);
}

} // namespace velkora::platform
