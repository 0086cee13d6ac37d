// The form windows' part in the resolution of each monitor (window_dpi.h): fonts made for the
// window's resolution, and the whole window laid out again from its layout table when it changes.
#include <string>
#include <utility>

#include "toolkit/win32/window_binding.h"
#include "toolkit/win32/window_dpi.h"

namespace velk::win32 {

namespace {

// The form font at 8 points; without a name, the font Windows picks for the family.
UniqueGdiObject createFormFont(int dpi, int weight, const std::wstring& name) {
    return UniqueGdiObject(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name.c_str()));
}

} // namespace

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
