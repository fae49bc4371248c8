#pragma once

#include <functional>

namespace velkora::platform {

// Ends the process with status 0 after the given time, from a thread of its own, unless it has
// ended by then. A program ended from outside (a logout, a service manager) must go in a bounded
// time whatever it was doing, a database that does not answer included; the orderly end runs
// meanwhile and normally finishes well before.
void exitWithin(int milliseconds);

// Runs the function when the process is ended by a library while it is set: the window system's
// library ends the program itself when the connection to the display breaks (at the end of the
// desktop session), and the program must still close what it must. The function runs when that
// library reports the broken connection, or in exit() for any other library that ends the
// process. Set it while the program runs and clear it (an empty function) when the program ends
// normally. It runs at most once.
void setOnUnexpectedExit(std::function<void()> function);

} // namespace velkora::platform
