#pragma once
// Whether anybody can see the program's windows.

namespace velk::win32 {

// True when the process's window station is the one a screen shows (WSF_VISIBLE). A service, or a
// deployment tool's account, runs on one that no screen shows: there a window or a message box
// waits for a person who is not there. When the system does not say, the station counts as
// visible, as it is for every program a person starts.
bool windowStationVisible();

} // namespace velk::win32
