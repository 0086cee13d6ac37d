#pragma once
// What the view of a control needs of the form window it sits in: the parent window, its fonts
// and scale, ids and registration for its child windows, and the running of the control's
// handlers on behalf of the user. The form window (window_binding.h) is the host; the views
// (control_views.h) know it only through this.

#include <windows.h>

#include <functional>

#include "toolkit/controls.h"

namespace velk::win32 {

class Win32ControlView;

class ControlHost {
  public:
    // The form window, parent of every control's window.
    virtual HWND hwnd() const = 0;
    virtual HFONT font() const = 0;
    virtual HFONT boldFont() const = 0;
    // A length of the layout (pixels at 96 pixels per inch) in pixels of the screen.
    virtual int scale(int length) const = 0;
    // A memory device context for measuring texts (cheaper than the screen's for every label).
    virtual HDC measureDc() const = 0;
    // Registers `child` as one of the windows of `view` (radio groups have several).
    virtual void addChild(HWND child, Win32ControlView* view) = 0;
    virtual void removeChild(HWND child) = 0;
    // The button that Enter presses (BS_DEFPUSHBUTTON), or null.
    virtual const Control* defaultButton() const = 0;
    // The next control id (ids start above IDOK/IDCANCEL).
    virtual int nextId() = 0;
    // Runs a handler on behalf of the user; an error it does not handle goes to the general
    // error report.
    virtual void runReporting(const std::function<void()>& action) = 0;

  protected:
    ControlHost() = default;
    ControlHost(const ControlHost&) = default;
    ControlHost& operator=(const ControlHost&) = default;
    ~ControlHost() = default;
};

} // namespace velk::win32
