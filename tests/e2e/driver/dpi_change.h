#pragma once
// A move to a monitor of another resolution, as Windows announces it to a window that is aware
// of each monitor's resolution.
//
//   sendDpiChanged(main, 144, suggested);   // WM_DPICHANGED, handled when this returns

#include <windows.h>

#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

// Sends WM_DPICHANGED for `dpi` pixels per inch with the window rectangle `suggested` (screen
// coordinates), which the message carries by address: it is copied into the target process.
void sendDpiChanged(const Window& window, int dpi, const RECT& suggested);

} // namespace velk::e2e
