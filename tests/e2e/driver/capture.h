#pragma once
// Pixels of the screen, as the user sees them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/driver/driver.h"

namespace velk::e2e::detail {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data; // 0x00RRGGBB, rows top to bottom
    std::uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// The screen area `area` (screen coordinates).
Pixels captureScreen(const RECT& area);
// A shown window as it is on the screen, freshly painted.
Pixels captureWindow(const Window& window);
// Writes the pixels as a 24-bit Windows bitmap.
void writeBitmap(const Pixels& pixels, const std::string& path);
// Draws a system icon (IDI_ERROR, ...) at its normal size onto a plain background.
Pixels drawSystemIcon(LPCSTR icon, std::uint32_t background, int width, int height);
// Which system icon a message box's icon control shows, by its pixels.
BoxIcon recognizeIcon(const Window& iconControl);

} // namespace velk::e2e::detail
