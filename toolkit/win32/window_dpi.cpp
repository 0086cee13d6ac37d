// The resolution of each monitor (the form windows' part in it: window_scaling.cpp).
#include "toolkit/win32/window_dpi.h"

#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"

namespace velk::win32 {

namespace {

constexpr int kLayoutDpi = 96;

} // namespace

int systemDpi() {
    static const int dpi = [] {
        const UniqueHdc dc(CreateCompatibleDC(nullptr));
        const int caps = GetDeviceCaps(dc.get(), LOGPIXELSY);
        return caps > 0 ? caps : kLayoutDpi;
    }();
    return dpi;
}

// The per-monitor functions came with Windows 10 (1607): looked up, so that the program still
// starts without them.
int windowDpi(HWND hwnd) {
    const auto function = getDpiForWindow.find();
    const int dpi = function != nullptr && hwnd != nullptr ? static_cast<int>(function(hwnd)) : 0;
    return dpi > 0 ? dpi : systemDpi();
}

void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    const auto function = adjustWindowRectExForDpi.find();
    if (function == nullptr || !function(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

} // namespace velk::win32
