#include <gtest/gtest.h>

#include "toolkit/window_placement.h"

namespace velk {
namespace {

struct PlacementCase {
    const char* what;
    ScreenRect workArea;
    ScreenRect wanted;
    ScreenRect placed;
};

// The main window is wanted centred on the work area; the dialogs elsewhere (over the main
// window, or at their designed place).
TEST(WindowPlacement, AWindowLiesOnTheWorkAreaOrAtItsTopLeftWhenItDoesNotFit) {
    const ScreenRect screen{0, 0, 1024, 728};    // 1024 x 768 less a taskbar at the bottom
    const ScreenRect left{-1280, 40, 1280, 984}; // left of the first monitor, a bar at the top
    const PlacementCase cases[] = {
        {"fits, centred", screen, centredOn(screen, {0, 0, 560, 300}), {232, 214, 560, 300}},
        {"too wide", screen, centredOn(screen, {0, 0, 1100, 560}), {0, 0, 1100, 560}},
        {"too tall", screen, centredOn(screen, {0, 0, 600, 800}), {0, 0, 600, 800}},
        {"pokes out at the bottom right", screen, {900, 700, 300, 200}, {724, 528, 300, 200}},
        {"pokes out at the top left", screen, {-40, -10, 300, 200}, {0, 0, 300, 200}},
        {"another monitor, centred",
         left,
         centredOn(left, {0, 0, 560, 300}),
         {-920, 382, 560, 300}},
        {"another monitor, too wide",
         left,
         centredOn(left, {0, 0, 1300, 300}),
         {-1280, 40, 1300, 300}},
        {"another monitor, above its bar", left, {-600, 0, 300, 200}, {-600, 40, 300, 200}},
    };
    for (const PlacementCase& c : cases) {
        const ScreenRect placed = placeOnWorkArea(c.wanted, c.workArea);
        EXPECT_EQ(placed, c.placed) << c.what << ": " << placed.left << "," << placed.top;
    }
}

} // namespace
} // namespace velk
