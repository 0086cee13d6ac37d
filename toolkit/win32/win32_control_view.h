#pragma once
// The Win32 side of one control: the real window, kept in step with the C++ control.

#include <windows.h>

#include "toolkit/controls.h"

namespace velk::win32 {

// Where a control sits in the form window's client area, in pixels of the screen: its layout
// position, moved by the group frame it sits in (if any), and the right edge that it must not
// cross (0: none).
struct ControlPlace {
    int left, top, width, height;
    int clipRight;
};

class Win32ControlView : public ControlView {
  public:
    HWND hwnd() const { return hwnd_; }
    // A WM_COMMAND notification from this control.
    virtual void onCommand(WORD /*notifyCode*/) {}
    // A WM_NOTIFY from this control; true when handled, with `result` set.
    virtual bool onNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // The form window went to another resolution (`dpi` pixels per inch): the control takes its
    // place there and the form's new font. Controls with metrics of their own override it.
    virtual void rescale(const ControlPlace& place, HFONT font, int /*dpi*/) {
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(hwnd_, nullptr, place.left, place.top, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    void enabledChanged(bool enabled) override {
        if (hwnd_ != nullptr && (IsWindowEnabled(hwnd_) != FALSE) != enabled) {
            EnableWindow(hwnd_, enabled ? TRUE : FALSE);
        }
    }

  protected:
    HWND hwnd_ = nullptr;
};

} // namespace velk::win32
