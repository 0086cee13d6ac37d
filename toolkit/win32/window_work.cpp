// Long work in a form window: it runs on a thread of its own, and this thread goes on handling
// the windows' messages until it has ended, so that the window repaints and answers the system
// all the while. The work's thread only posts its progress; the end is the end of the thread.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>

#include "platform/scope_exit.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_messages.h"
#include "toolkit/win32/taskbar_progress.h"
#include "toolkit/win32/window_binding.h"

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

// An action sent to the window's thread, and what it threw.
struct SentAction {
    const std::function<void()>& action;
    std::exception_ptr error{};
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
    working_ = true;
    // Everything the work changes in the window is undone however it ends.
    const auto undo = scopeExit([this, systemMenu] {
        if (taskbar_) {
            taskbar_->hide();
        }
        showProgressBar(false);
        if (systemMenu != nullptr) {
            EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
        }
        ShutdownBlockReasonDestroy(hwnd_);
        working_ = false;
        setCursor(hwnd_, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    });
    // Windows shows the reason when a log-off waits for the window (WM_QUERYENDSESSION).
    ShutdownBlockReasonCreate(hwnd_, toWide(reason).c_str());
    if (systemMenu != nullptr) {
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    showProgressBar(true);
    setCursor(hwnd_, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    UpdateWindow(hwnd_);

    const UniqueHandle worker(CreateThread(nullptr, 0, &runWorkThread, &thread, 0, nullptr));
    if (worker) {
        // Where the work and the window compete for the processor, the window wins: it answers
        // at once and the work loses no more than the little the window needs.
        SetThreadPriority(worker.get(), THREAD_PRIORITY_BELOW_NORMAL);
    }
    // The worker uses what lies on this stack: whatever happens from here on, it ends first.
    const auto joined = scopeExit([&worker] {
        if (worker) {
            WaitForSingleObject(worker.get(), INFINITE);
        }
    });
    // The taskbar button's progress comes beside the work: its thread sets it up while this one
    // goes on answering.
    if (!taskbar_) {
        taskbar_ = std::make_unique<TaskbarProgress>(hwnd_);
    }
    taskbar_->show(0, 0);
    if (!worker) {
        runWorkThread(&thread); // no thread to be had: the work runs all the same
    } else {
        handleMessagesUntilDone(worker.get());
    }
    if (thread.error) {
        std::rethrow_exception(thread.error);
    }
}

// The windows' messages, handled until `worker` has ended; a WM_QUIT is kept for the loop that
// runs this one.
void FormWindow::handleMessagesUntilDone(HANDLE worker) {
    bool quit = false;
    int quitCode = 0;
    waitHandlingMessages(worker, [&quit, &quitCode](MSG& msg) {
        if (msg.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
        } else {
            dispatch(msg);
        }
    });
    if (quit) {
        PostQuitMessage(quitCode);
    }
}

void FormWindow::onWindowThread(const std::function<void()>& action) {
    if (hwnd_ == nullptr || GetWindowThreadProcessId(hwnd_, nullptr) == GetCurrentThreadId()) {
        action();
        return;
    }
    // The window's thread answers sent messages while it waits for the work (and inside any
    // modal loop), so the work waits here only as long as the action takes.
    SentAction sent{action};
    SendMessageW(hwnd_, kOnWindowThread, 0, reinterpret_cast<LPARAM>(&sent));
    if (sent.error) {
        std::rethrow_exception(sent.error);
    }
}

void FormWindow::runSentAction(LPARAM action) {
    auto& sent = *reinterpret_cast<SentAction*>(action);
    try {
        sent.action();
    } catch (...) {
        sent.error = std::current_exception(); // never through the system's frames
    }
}

// While long work runs: no closing (close box, Alt+F4, the taskbar's Close), no log-off or
// shutdown, no idle work or activation handler, the wait cursor, and the work's progress.
bool FormWindow::handleWhileWorking(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case kWorkProgressMessage:
        showWorkProgress(static_cast<std::size_t>(wParam), static_cast<std::size_t>(lParam));
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        result = FALSE;
        return true;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        result = TRUE;
        return true;
    case WM_CLOSE:
    case kActivated:
        result = 0;
        return true;
    case WM_TIMER:
        result = 0;
        return wParam == kIdleTimer; // the idle work's timer comes again
    default:
        return false;
    }
}

// Made with the window, hidden until work runs; last in the window order, no tab stop.
void FormWindow::createProgressBar(const FormLayout& layout) {
    if (!layout.progressBar) {
        return;
    }
    progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    placeProgressBar(layout);
    if (layout.progressBarName != nullptr) {
        names_.name(progressBar_, layout.progressBarName);
    }
}

void FormWindow::showProgressBar(bool shown) {
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
    if (taskbar_) {
        taskbar_->show(done, total);
    }
}

} // namespace velk::win32
