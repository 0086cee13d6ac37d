#pragma once
// The progress of long work on a window's taskbar button, where the system offers it (Windows 7
// and later). Made when the work starts, so that nothing of it loads before.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/win32/system_library.h"

struct ITaskbarList3;

namespace velk::win32 {

class TaskbarProgress {
  public:
    // Shows an empty bar on `window`'s button; nothing where the system has no taskbar list.
    // Loads COM (ole32.dll) then, not before.
    explicit TaskbarProgress(HWND window);
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;
    // Takes the bar off the button.
    ~TaskbarProgress();

    void show(std::size_t done, std::size_t total);

  private:
    struct Release {
        void operator()(ITaskbarList3* list) const;
    };

    HWND window_;
    std::optional<ComApartment> com_; // outlives the list
    std::unique_ptr<ITaskbarList3, Release> list_;
};

} // namespace velk::win32
