#pragma once

namespace velkora::platform {

// The windows are designed for Tahoma. Where the system lacks it but a metric-compatible copy
// is installed outside the font path (Debian's fonts-wine), it is made known to the program so
// texts keep the designed widths.
void registerDesignFonts();

} // namespace velkora::platform
