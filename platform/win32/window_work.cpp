// Long work in a form window: it runs on a thread of its own, and this thread goes on handling
// the windows' messages until it has ended, so that the window repaints and answers the system
// all the while. The work's thread only posts its progress; the end is the end of the thread.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <exception>

#include "platform/win32/taskbar_progress.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_binding.h"

namespace velk::win32 {

namespace {

// The window hears of the progress at most this often: a message per file would slow the
// copying and flood the queue.
constexpr ULONGLONG kProgressIntervalMs = 50;

// The work's side of the progress: counts the steps and posts the count now and then.
class PostedProgress : public WorkProgress {
  public:
    explicit PostedProgress(HWND window) : window_(window) {}
    void setTotal(std::size_t total) override {
        total_ = total;
        done_ = 0;
        post();
    }
    void step() override {
        ++done_;
        if (GetTickCount64() - lastPost_ >= kProgressIntervalMs) {
            post();
        }
    }
    void post() {
        PostMessageW(window_, FormWindow::kWorkProgressMessage, done_, static_cast<LPARAM>(total_));
        lastPost_ = GetTickCount64();
    }

  private:
    HWND window_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    ULONGLONG lastPost_ = 0;
};

struct WorkThread {
    const Work& work;
    PostedProgress progress;
    std::exception_ptr error{};
};

DWORD WINAPI runWorkThread(void* parameter) {
    auto& thread = *static_cast<WorkThread*>(parameter);
    try {
        thread.work(thread.progress);
    } catch (...) {
        thread.error = std::current_exception();
    }
    thread.progress.post(); // the last count
    return 0;
}

// Over the window or one of its controls.
bool cursorOver(HWND window) {
    POINT point;
    if (!GetCursorPos(&point)) {
        return false;
    }
    HWND under = WindowFromPoint(point);
    return under != nullptr && (under == window || IsChild(window, under));
}

void setCursor(HWND window, LPCWSTR cursor) {
    if (cursorOver(window)) {
        SetCursor(LoadCursorW(nullptr, cursor));
    }
}

} // namespace

void FormWindow::runWork(const std::string& reason, const Work& work) {
    if (hwnd_ == nullptr || working_) {
        FormView::runWork(reason, work);
        return;
    }
    WorkThread thread{work, PostedProgress(hwnd_)};
    HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
    TaskbarProgress taskbar(hwnd_);
    // Everything the work changes in the window is undone however it ends.
    struct Undo {
        FormWindow& window;
        HMENU systemMenu;
        ~Undo() {
            window.taskbar_ = nullptr;
            window.showProgressBar(false);
            if (systemMenu != nullptr) {
                EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
            }
            ShutdownBlockReasonDestroy(window.hwnd_);
            window.working_ = false;
            setCursor(window.hwnd_, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        }
    } undo{*this, systemMenu};
    working_ = true;
    taskbar_ = &taskbar;
    // Windows shows the reason when a log-off waits for the window (WM_QUERYENDSESSION).
    ShutdownBlockReasonCreate(hwnd_, toWide(reason).c_str());
    if (systemMenu != nullptr) {
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    showProgressBar(true);
    setCursor(hwnd_, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    UpdateWindow(hwnd_);

    const UniqueHandle worker(CreateThread(nullptr, 0, &runWorkThread, &thread, 0, nullptr));
    if (!worker) {
        runWorkThread(&thread); // no thread to be had: the work runs all the same
    } else {
        bool quit = false;
        int quitCode = 0;
        HANDLE handle = worker.get();
        // The worker uses what lies on this stack: whatever happens here, it ends first.
        try {
            for (;;) {
                const DWORD woke = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT,
                                                               MWMO_INPUTAVAILABLE);
                if (woke == WAIT_OBJECT_0) {
                    break;
                }
                if (woke == WAIT_FAILED) {
                    // Messages cannot be waited for: the window waits for the work instead of
                    // spinning until it ends.
                    WaitForSingleObject(handle, INFINITE);
                    break;
                }
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    if (msg.message == WM_QUIT) {
                        // For the loop that runs this one, once the work has ended.
                        quit = true;
                        quitCode = static_cast<int>(msg.wParam);
                        continue;
                    }
                    dispatch(msg);
                }
            }
        } catch (...) {
            WaitForSingleObject(handle, INFINITE);
            throw;
        }
        if (quit) {
            PostQuitMessage(quitCode);
        }
    }
    if (thread.error) {
        std::rethrow_exception(thread.error);
    }
}

void FormWindow::showProgressBar(bool shown) {
    const FormLayout layout = form_.layout();
    if (!layout.progressBar) {
        return;
    }
    if (progressBar_ == nullptr && shown) {
        // A child of the window, destroyed with it; last in the window order, no tab stop.
        progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, hwnd_,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        placeProgressBar(layout);
    }
    if (progressBar_ == nullptr) {
        return;
    }
    if (shown) {
        SendMessageW(progressBar_, PBM_SETRANGE32, 0, 1);
        SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
    }
    ShowWindow(progressBar_, shown ? SW_SHOWNA : SW_HIDE);
}

void FormWindow::placeProgressBar(const FormLayout& layout) {
    if (progressBar_ != nullptr && layout.progressBar) {
        const LayoutRect& place = *layout.progressBar;
        SetWindowPos(progressBar_, nullptr, scale(place.left), scale(place.top), scale(place.width),
                     scale(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void FormWindow::showWorkProgress(std::size_t done, std::size_t total) {
    if (progressBar_ != nullptr) {
        // The bar counts in int: a total beyond that is shown in proportion.
        const std::size_t limit = INT_MAX;
        const std::size_t divisor = total > limit ? total / limit + 1 : 1;
        SendMessageW(progressBar_, PBM_SETRANGE32, 0,
                     static_cast<LPARAM>(std::max<std::size_t>(total / divisor, 1)));
        SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(done / divisor), 0);
    }
    if (taskbar_ != nullptr) {
        taskbar_->show(done, total);
    }
}

} // namespace velk::win32
