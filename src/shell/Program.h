#pragma once

namespace velkora {

// The start program: sets up the application, creates the main window, runs the message loop
// until the main window closes.
int runProgram(int argc, char** argv);

} // namespace velkora
