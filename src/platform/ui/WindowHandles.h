#pragma once

#include <QtGlobal>

namespace velkora::platform {

// Whether a window handle, as the windows of the suite record it in the call log (the 32-bit
// native id of a top-level window), names a window of this program that is still open: a
// top-level window that is shown, the module windows included since they live in this process.
// A window that was closed (hidden or deleted) no longer counts, and 0 never does.
bool esisteFinestra(qint32 handle);

} // namespace velkora::platform
