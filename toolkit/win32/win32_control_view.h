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

// Sent by a control to its form window right before the control is disabled while it has the
// keyboard focus (wParam: the control's window): the window gives the focus back to it once it
// is enabled again (kControlEnabled), as long as no other control took the focus meanwhile.
inline constexpr UINT kFocusedControlDisabled = WM_APP + 4;
// Sent by a control to its form window right after it was enabled (wParam: its window).
inline constexpr UINT kControlEnabled = WM_APP + 5;

// Enables or disables a control's window, telling its form window as above.
inline void enableControl(HWND hwnd, bool enabled) {
    if (hwnd == nullptr || (IsWindowEnabled(hwnd) != FALSE) == enabled) {
        return;
    }
    HWND form = GetAncestor(hwnd, GA_ROOT);
    if (!enabled && GetFocus() == hwnd) {
        SendMessageW(form, kFocusedControlDisabled, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
    if (enabled) {
        SendMessageW(form, kControlEnabled, reinterpret_cast<WPARAM>(hwnd), 0);
    }
}

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

    void enabledChanged(bool enabled) override { enableControl(hwnd_, enabled); }

  protected:
    HWND hwnd_ = nullptr;
};

} // namespace velk::win32
