#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace velkora::platform {

// Moves a window so that it stands in the middle of the primary screen's free area (the
// desktop without its panels), at its current size. Nothing happens without a screen.
void centerOnScreen(QWidget& window);

// Where a window stored at `place` (its frame's place and size) is shown on the screens there are
// now (their free areas; the first is the primary one). A place whose top edge, the part a user
// takes hold of, shows enough on some screen stays as it is. One that does not (stored on a screen
// that is no longer there, a laptop undocked) comes back to the middle of the primary screen, at
// its size where that fits and shrunk to the screen where it does not. Without screens the place
// stays.
QRect placeOnScreens(const QRect& place, const QList<QRect>& screens);

// The same for the screens of the running program.
QRect placeOnCurrentScreens(const QRect& place);

} // namespace velkora::platform
