#pragma once
// The progress of long work on a window's taskbar button, where the system offers it (Windows 7
// and later). COM and the taskbar's object live on a thread of their own, started with the
// first work: making the object can take more than a second (under Wine, on first use), and the
// window's thread must go on answering meanwhile. The object is made, used and released on that
// thread only; the window's thread just leaves it the latest count. Only work that still runs
// half a second after its bar was first wanted gets one: short work never loads COM, and the
// first moments of long work, when the window shows its own bar, do not share the machine with
// COM's start.

#include <windows.h>

#include <cstddef>
#include <mutex>

#include "platform/win32/unique_handles.h"

namespace velk::win32 {

class TaskbarProgress {
  public:
    // Starts the thread, which loads COM (ole32.dll) and makes the object; returns at once.
    explicit TaskbarProgress(HWND window);
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;
    // Takes the bar off the button and ends the thread, waiting for it.
    ~TaskbarProgress();

    // Shows a bar on the button, `done` of `total` (an empty one while `total` is 0).
    void show(std::size_t done, std::size_t total);
    // Takes the bar off the button.
    void hide();

  private:
    struct Wanted {
        bool shown = false;
        std::size_t done = 0;
        std::size_t total = 0;
        bool end = false;
    };

    static DWORD WINAPI threadMain(void* self);
    void run();
    bool waitForLongWork();
    void want(const Wanted& wanted);
    Wanted wanted();

    HWND window_;
    std::mutex mutex_;
    Wanted wanted_;
    UniqueHandle changed_; // an event: `wanted_` changed
    UniqueHandle thread_;
};

} // namespace velk::win32
