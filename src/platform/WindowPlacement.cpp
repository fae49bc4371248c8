#include "platform/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace velkora::platform {

void centerOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect area(QPoint(), window.size());
    area.moveCenter(screen->availableGeometry().center());
    window.move(area.topLeft());
}

} // namespace velkora::platform
