#pragma once

#include <QIcon>

namespace velkora {

// The pictures of the login panel's buttons, drawn by the program: they look the same on every
// desktop, and the login window does not wait for the desktop's icon theme to be read before it
// shows.

// A green tick, for OK. The icon gives its greyed picture to the button out of use.
QIcon pittogrammaOk();

// A hard disk with its light, for the choice of the disk.
QIcon pittogrammaDisco();

} // namespace velkora
