#pragma once
// The Win32 side of one control: the real window, kept in step with the C++ control.

#include <windows.h>

#include "platform/controls.h"

namespace velk::win32 {

class Win32ControlView : public ControlView {
  public:
    HWND hwnd() const { return hwnd_; }
    // A WM_COMMAND notification from this control.
    virtual void onCommand(WORD /*notifyCode*/) {}
    // A WM_NOTIFY from this control; true when handled, with `result` set.
    virtual bool onNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }

  protected:
    HWND hwnd_ = nullptr;
};

} // namespace velk::win32
