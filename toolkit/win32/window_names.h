#pragma once
// Names for screen readers of the controls that have no caption label before them in a window
// (a read-only text, a list, a folder tree, a progress bar), without a new visible label, each
// given the way the readers of every system find it:
//   - dynamic annotation (oleacc's IAccPropServices), which Windows' own reader takes over any
//     other name; oleacc.dll is loaded from the system folder on a thread of its own, so that
//     nothing of it holds up the window;
//   - for readers that know no annotation (Wine's, older ones): a text field is named after the
//     static text before it in the window order, which is a label of no size there, marking no
//     access key (so that the field reports no other field's keyboard shortcut); any other
//     control after its window text, which lists, trees, progress bars and pictures never
//     show.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"

namespace velk::win32 {

class WindowNames {
  public:
    WindowNames() = default;
    WindowNames(const WindowNames&) = delete;
    WindowNames& operator=(const WindowNames&) = delete;
    // Waits for the annotation's thread, if it still runs.
    ~WindowNames();

    // Names `control` (a child window) for the readers that know no annotation, at once, and
    // keeps the name for annotate().
    void name(HWND control, const std::string& name);
    // Annotates every control named so far, on a thread of its own; returns at once. Once only.
    void annotate();

  private:
    static DWORD WINAPI threadMain(void* self);

    struct Named {
        HWND control;
        std::wstring name;
        bool textField; // named by a label of no size before it
    };
    std::vector<Named> names_;
    UniqueHandle thread_;
};

} // namespace velk::win32
