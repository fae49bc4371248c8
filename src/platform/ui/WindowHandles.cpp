#include "platform/ui/WindowHandles.h"

#include <QApplication>
#include <QWidget>

namespace velkora::platform {

bool esisteFinestra(qint32 handle)
{
    if (handle == 0)
        return false;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        // internalWinId() does not make a native window for a widget that has none: such a
        // widget was never shown, so no handle of it was ever recorded.
        if (w->isVisible() && w->internalWinId() != 0 &&
            static_cast<qint32>(w->internalWinId()) == handle)
            return true;
    }
    return false;
}

} // namespace velkora::platform
