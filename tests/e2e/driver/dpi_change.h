#pragma once
// A move to a monitor of another resolution, as Windows announces it to a window that is aware
// of each monitor's resolution; and a screen of another resolution for the programs started
// next.
//
//   sendDpiChanged(main, 144, suggested);   // WM_DPICHANGED, handled when this returns
//   const ScreenDpi dpi(192);               // 200 % for programs started from here on

#include <windows.h>

#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

// Sends WM_DPICHANGED for `dpi` pixels per inch with the window rectangle `suggested` (screen
// coordinates), which the message carries by address: it is copied into the target process.
void sendDpiChanged(const Window& window, int dpi, const RECT& suggested);

// The resolution of the screen, as Wine gives it to a program at its start (the user's
// "LogPixels"), for as long as this object lives; then as it was.
class ScreenDpi {
  public:
    explicit ScreenDpi(int dpi);
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    ~ScreenDpi();

  private:
    DWORD before_ = 0; // 0: there was no value
};

} // namespace velk::e2e
