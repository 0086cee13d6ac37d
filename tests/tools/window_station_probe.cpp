// Tells by its exit code whether it runs on a window station that a screen shows:
//
//   window_station_probe        exit code 0 when visible, 1 when not
//
// Tests start it on a window station of their own making and on their own.
#include <windows.h>

#include "platform/win32/window_station.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return velk::win32::windowStationVisible() ? 0 : 1;
}
