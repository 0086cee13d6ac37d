#include "toolkit/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

#include <memory>
#include <optional>

#include "platform/app_error.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/window_messages.h"

namespace velk::win32 {

namespace {

// How long a bar must have been wanted before the button gets one.
constexpr ULONGLONG kLongWorkMs = 500;

struct Release {
    void operator()(ITaskbarList3* list) const { list->Release(); }
};
using TaskbarList = std::unique_ptr<ITaskbarList3, Release>;

// The taskbar's object, or null where the system has none (or no COM).
TaskbarList makeTaskbarList() {
    ITaskbarList3* list = nullptr;
    try {
        if (FAILED(coCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, reinterpret_cast<void**>(&list)))) {
            return nullptr;
        }
    } catch (const AppError&) {
        return nullptr;
    }
    TaskbarList owned(list);
    if (owned && FAILED(owned->HrInit())) {
        owned.reset();
    }
    return owned;
}

} // namespace

TaskbarProgress::TaskbarProgress(HWND window)
    : window_(window), changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (changed_) {
        thread_.reset(CreateThread(nullptr, 0, &threadMain, this, 0, nullptr));
    }
}

TaskbarProgress::~TaskbarProgress() {
    if (thread_) {
        want({false, 0, 0, true});
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

void TaskbarProgress::show(std::size_t done, std::size_t total) {
    want({true, done, total, false});
}

void TaskbarProgress::hide() {
    want({false, 0, 0, false});
}

void TaskbarProgress::want(const Wanted& wanted) {
    {
        const std::lock_guard lock(mutex_);
        wanted_ = wanted;
    }
    if (changed_) {
        SetEvent(changed_.get());
    }
}

TaskbarProgress::Wanted TaskbarProgress::wanted() {
    const std::lock_guard lock(mutex_);
    return wanted_;
}

DWORD WINAPI TaskbarProgress::threadMain(void* self) {
    try {
        static_cast<TaskbarProgress*>(self)->run();
    } catch (...) {
        // No progress on the button; the work goes on all the same.
    }
    return 0;
}

// Waits until a bar has been wanted for kLongWorkMs without a break; false when the end is asked
// for first.
bool TaskbarProgress::waitForLongWork() {
    ULONGLONG wantedSince = 0; // 0: no bar wanted now
    for (;;) {
        const Wanted now = wanted();
        if (now.end) {
            return false;
        }
        const ULONGLONG tick = GetTickCount64();
        DWORD timeout = INFINITE;
        if (!now.shown) {
            wantedSince = 0;
        } else if (wantedSince == 0) {
            wantedSince = tick;
            timeout = static_cast<DWORD>(kLongWorkMs);
        } else if (tick - wantedSince >= kLongWorkMs) {
            return true;
        } else {
            timeout = static_cast<DWORD>(wantedSince + kLongWorkMs - tick);
        }
        WaitForSingleObject(changed_.get(), timeout);
    }
}

void TaskbarProgress::run() {
    if (!waitForLongWork()) {
        return;
    }
    std::optional<ComApartment> com;
    try {
        com.emplace();
    } catch (const AppError&) {
        return; // no COM to be had: the taskbar button shows no progress
    }
    const TaskbarList list = makeTaskbarList(); // released before COM ends
    if (!list) {
        return;
    }
    bool shown = false;
    for (;;) {
        const Wanted now = wanted();
        if (now.shown && !now.end) {
            if (!shown) {
                list->SetProgressState(window_, TBPF_NORMAL);
                shown = true;
            }
            list->SetProgressValue(window_, now.done, now.total > 0 ? now.total : 1);
        } else if (shown) {
            list->SetProgressState(window_, TBPF_NOPROGRESS);
            shown = false;
        }
        if (now.end) {
            return;
        }
        // COM's single-threaded apartment wants its thread's messages handled.
        waitHandlingMessages(changed_.get(), [](MSG& msg) { DispatchMessageW(&msg); });
    }
}

} // namespace velk::win32
