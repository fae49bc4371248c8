#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

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

namespace {

// How much of a window's top edge must show on one screen for the user to take hold of it.
constexpr int kVisibleWidth = 60;
constexpr int kVisibleHeight = 20;

} // namespace

QRect placeOnScreens(const QRect& place, const QList<QRect>& screens)
{
    if (screens.isEmpty() || place.isEmpty())
        return place;
    const QRect topEdge(place.left(), place.top(), place.width(), std::min(kVisibleHeight, place.height()));
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(topEdge);
        if (shown.width() >= std::min(kVisibleWidth, place.width()) && shown.height() >= topEdge.height())
            return place;
    }
    const QRect& primary = screens.front();
    QRect back(QPoint(), place.size().boundedTo(primary.size()));
    back.moveCenter(primary.center());
    return back;
}

QRect placeOnCurrentScreens(const QRect& place)
{
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    }
    return placeOnScreens(place, screens);
}

} // namespace velkora::platform
