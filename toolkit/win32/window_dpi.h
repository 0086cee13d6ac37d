#pragma once
// Pixels per inch of the screen a window is on. The program is aware of each monitor's
// resolution (its manifest says so): a window is built for the resolution of the monitor it
// appears on and is scaled again whenever it moves to a monitor with another one.

#include <windows.h>

namespace velk::win32 {

// The resolution the system started with (the one all monitors had before Windows 8.1).
int systemDpi();

// The resolution of the monitor `hwnd` is on; the system's where Windows cannot tell (before
// Windows 10).
int windowDpi(HWND hwnd);

// Grows the client rectangle `rect` to the window rectangle of a window of that style, with the
// frame Windows gives it at `dpi`.
void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

} // namespace velk::win32
