#pragma once
// A long text in a window of its own, for whoever sits at the desktop: the command line's help.
// A message box grows with its text past the screen's edges; this window fits the work area of
// its monitor at any resolution, and its text scrolls where it is longer than that.

#include <string>

namespace velk::win32 {

// Shows `text` (lines joined by CR) under `caption` with an OK button and returns once the user
// closed it (OK, Enter, Escape or the close box). A line wider than the window can be is broken
// as breakLine (platform/line_breaks.h) breaks it.
void showTextWindow(const std::string& caption, const std::string& text);

} // namespace velk::win32
