#pragma once

class QWidget;

namespace velkora::platform {

// Moves a window so that it stands in the middle of the primary screen's free area (the
// desktop without its panels), at its current size. Nothing happens without a screen.
void centerOnScreen(QWidget& window);

} // namespace velkora::platform
