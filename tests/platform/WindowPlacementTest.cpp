#include "platform/ui/WindowPlacement.h"

#include <gtest/gtest.h>

using velkora::platform::placeOnScreens;

namespace {

// A laptop's screen (the primary one, its panel taking the bottom 40 pixels) and, while docked,
// an external screen to its right.
const QRect kLaptop(0, 0, 1366, 728);
const QRect kEsterno(1366, 0, 1920, 1080);

TEST(PlaceOnScreens, APlaceThatShowsStaysAndOneThatDoesNotComesBackToThePrimaryScreen)
{
    struct Caso
    {
        const char* name;
        QList<QRect> screens;
        QRect stored;
        QRect shown;
    } const casi[] = {
        {"on the laptop", {kLaptop, kEsterno}, QRect(100, 80, 800, 600), QRect(100, 80, 800, 600)},
        {"on the external screen, docked", {kLaptop, kEsterno}, QRect(2000, 100, 900, 700),
         QRect(2000, 100, 900, 700)},
        {"across both screens", {kLaptop, kEsterno}, QRect(1000, 100, 900, 600),
         QRect(1000, 100, 900, 600)},
        {"on the external screen, undocked", {kLaptop}, QRect(2000, 100, 900, 600),
         QRect(233, 64, 900, 600)},
        {"too large for the laptop", {kLaptop}, QRect(2000, 100, 1800, 1000), QRect(0, 0, 1366, 728)},
        {"its top edge above the screen", {kLaptop}, QRect(100, -300, 800, 600),
         QRect(283, 64, 800, 600)},
        {"only a sliver at the left edge", {kLaptop}, QRect(-790, 100, 800, 600),
         QRect(283, 64, 800, 600)},
        {"no screen at all", {}, QRect(5000, 5000, 800, 600), QRect(5000, 5000, 800, 600)},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placeOnScreens(c.stored, c.screens), c.shown);
    }
}

} // namespace
