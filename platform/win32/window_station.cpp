#include "platform/win32/window_station.h"

#include <windows.h>

namespace velk::win32 {

bool windowStationVisible() {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    HWINSTA station = GetProcessWindowStation(); // not to be closed
    if (station == nullptr ||
        !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

} // namespace velk::win32
