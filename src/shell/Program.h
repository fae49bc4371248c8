#pragma once

#include <functional>

namespace velkora {

class TBaseMainForm;

// The start program: sets up the application, creates the main window, runs the message loop
// until the main window closes, or until a termination signal ends it from whatever state.
int runProgram(int argc, char** argv);
// Calls into the start for a test driver that steers the real program from inside.
struct ProgramHooks
{
    // Once the application exists, before the main window is made (its start may show boxes).
    std::function<void()> beforeMainWindow;
    // Once the main window is shown, just before the message loop runs. The window's start
    // (user database, its boxes, the user list) runs in the loop after that: the window says
    // when it is over (TBaseMainForm::avviato, avvioConcluso).
    std::function<void(TBaseMainForm&)> started;
};
int runProgram(int argc, char** argv, const ProgramHooks& hooks);

} // namespace velkora
