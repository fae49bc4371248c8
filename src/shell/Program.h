#pragma once

#include <functional>

namespace velkora {

class TBaseMainForm;

// The start program: sets up the application, creates the main window, runs the message loop
// until the main window closes, or until a termination signal ends it from whatever state.
int runProgram(int argc, char** argv);
// The same start, calling started once the main window is shown, just before the message loop
// runs: the way a test driver steers the real program from inside.
int runProgram(int argc, char** argv, const std::function<void(TBaseMainForm&)>& started);

} // namespace velkora
