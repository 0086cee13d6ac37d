// The resolution of each monitor, and the form windows' part in it: fonts made for the window's
// resolution, and the whole window laid out again from its layout table when it changes.
#include "platform/win32/window_dpi.h"

#include <string>

#include "platform/win32/dll_search.h"
#include "platform/win32/window_binding.h"

namespace velk::win32 {

namespace {

constexpr int kLayoutDpi = 96;

// The per-monitor functions came with Windows 10 (1607): looked up, so that the program still
// starts without them.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

GetDpiForWindowFunction getDpiForWindow() {
    static const auto function =
        loadedSystemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    return function;
}

AdjustWindowRectExForDpiFunction adjustWindowRectExForDpi() {
    static const auto function = loadedSystemFunction<AdjustWindowRectExForDpiFunction>(
        L"user32.dll", "AdjustWindowRectExForDpi");
    return function;
}

// The form font at 8 points; without a name, the font Windows picks for the family.
UniqueGdiObject createFormFont(int dpi, int weight, const std::wstring& name) {
    return UniqueGdiObject(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name.c_str()));
}

} // namespace

int systemDpi() {
    static const int dpi = [] {
        const UniqueHdc dc(CreateCompatibleDC(nullptr));
        const int caps = GetDeviceCaps(dc.get(), LOGPIXELSY);
        return caps > 0 ? caps : kLayoutDpi;
    }();
    return dpi;
}

int windowDpi(HWND hwnd) {
    const auto function = getDpiForWindow();
    const int dpi = function != nullptr && hwnd != nullptr ? static_cast<int>(function(hwnd)) : 0;
    return dpi > 0 ? dpi : systemDpi();
}

void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    const auto function = adjustWindowRectExForDpi();
    if (function == nullptr || !function(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

void FormWindow::makeFonts() {
    font_ = createFormFont(dpi_, FW_NORMAL, fontName_);
    boldFont_ = createFormFont(dpi_, FW_BOLD, fontName_);
}

ControlPlace FormWindow::controlPlace(const FormLayout& layout,
                                      const ControlLayout& control) const {
    ControlPlace place{control.left, control.top, control.width, control.height, 0};
    if (control.parent != nullptr) {
        for (const auto& frame : layout.controls) {
            if (frame.control == control.parent) {
                place.left += frame.left;
                place.top += frame.top;
                place.clipRight = frame.left + frame.width;
            }
        }
    }
    return {scale(place.left), scale(place.top), scale(place.width), scale(place.height),
            scale(place.clipRight)};
}

void FormWindow::followWindowDpi() {
    const int dpi = windowDpi(hwnd_);
    if (dpi != dpi_) {
        rescale(dpi, nullptr);
    }
}

bool FormWindow::scaledSize(int dpi, SIZE& size) const {
    const FormLayout layout = form_.layout();
    if (hwnd_ == nullptr || dpi <= 0 || layout.frame != FrameKind::FixedDialog) {
        return false;
    }
    size = outerSize(layout, dpi);
    return true;
}

void FormWindow::rescale(int dpi, const RECT* windowRect) {
    if (hwnd_ == nullptr || dpi <= 0) {
        return;
    }
    dpi_ = dpi;
    // The controls still show the old fonts until they have the new ones.
    UniqueGdiObject oldFont = std::move(font_);
    UniqueGdiObject oldBoldFont = std::move(boldFont_);
    makeFonts();

    const FormLayout layout = form_.layout();
    if (windowRect != nullptr) {
        SetWindowPos(hwnd_, nullptr, windowRect->left, windowRect->top,
                     windowRect->right - windowRect->left, windowRect->bottom - windowRect->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const SIZE size = outerSize(layout, dpi_);
        SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Every place comes from the layout table, never from the current sizes: a window that
    // goes back to its first resolution gets its first sizes exactly.
    for (std::size_t i = 0; i < boundControls_.size() && i < views_.size(); ++i) {
        for (const ControlLayout& control : layout.controls) {
            if (control.control == boundControls_[i]) {
                views_[i]->rescale(controlPlace(layout, control), font(), dpi_);
            }
        }
    }
    placeProgressBar(layout);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

} // namespace velk::win32
