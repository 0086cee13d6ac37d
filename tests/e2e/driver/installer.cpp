// The program under test as a process: started, watched, waited for, and ended if a test
// leaves it running.
#include <windows.h>

#include <utility>

#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

namespace {

std::string windowListing(DWORD processId) {
    std::string text;
    for (const Window& window : topWindows(processId)) {
        text += "\n  " + window.describe();
        try {
            if (isMessageBox(window)) {
                text += " saying \"" + readMessageBox(window).text + "\"";
            }
        } catch (const DriverError&) {
            text += " (closing)";
        }
    }
    return text.empty() ? " none" : text;
}

bool matches(const Window& window, const std::string& caption, const std::string& cls) {
    return window.text() == caption && (cls.empty() || window.className() == cls);
}

// Message boxes among the shown windows. A window that closes while it is being read is
// passed over: boxes come and go while the driver looks.
std::vector<MessageBoxView> messageBoxes(DWORD processId, const std::string& caption) {
    std::vector<MessageBoxView> boxes;
    for (const Window& window : topWindows(processId)) {
        try {
            if (isMessageBox(window) && (caption.empty() || window.text() == caption)) {
                boxes.push_back(readMessageBox(window));
            }
        } catch (const DriverError&) {
            if (window.exists() && window.visible()) {
                throw;
            }
        }
    }
    return boxes;
}

} // namespace

Installer Installer::start(const std::string& packageFolder, const std::string& arguments) {
    return startProgram(packageFolder + "\\VelkInstall.exe", packageFolder, {}, arguments);
}

Installer Installer::startUnwatched(const std::string& packageFolder,
                                    const std::string& arguments) {
    static int made = 0;
    const std::string name =
        "VelkUnwatched" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made);
    win32::UniqueHwinsta station(
        CreateWindowStationW(win32::toWide(name).c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
    if (!station) {
        throw DriverError("cannot make the window station " + name + ": error " +
                          std::to_string(GetLastError()));
    }
    // A desktop is made on the process's current window station: the new one, for that moment.
    HWINSTA own = GetProcessWindowStation();
    win32::UniqueHdesk desktop;
    if (SetProcessWindowStation(station.get())) {
        desktop.reset(CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        SetProcessWindowStation(own);
    }
    if (!desktop) {
        throw DriverError("cannot make a desktop on " + name + ": error " +
                          std::to_string(GetLastError()));
    }
    Installer installer = startProgram(packageFolder + "\\VelkInstall.exe", packageFolder,
                                       name + "\\Default", arguments);
    installer.station_ = std::move(station);
    installer.desktop_ = std::move(desktop);
    return installer;
}

Installer Installer::startProgram(const std::string& path, const std::string& folder,
                                  const std::string& desktop, const std::string& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring desktopName = win32::toWide(desktop);
    startup.lpDesktop = desktop.empty() ? nullptr : desktopName.data();
    PROCESS_INFORMATION info{};
    const std::wstring program = win32::toWide(path);
    // Writable, as CreateProcessW wants.
    std::wstring commandLine =
        L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + win32::toWide(arguments));
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        win32::toWide(folder).c_str(), &startup, &info)) {
        throw DriverError("cannot start " + path + ": error " + std::to_string(GetLastError()));
    }
    CloseHandle(info.hThread);
    Installer installer;
    installer.process_.reset(info.hProcess);
    installer.processId_ = info.dwProcessId;
    installer.name_ = path.substr(path.find_last_of('\\') + 1);
    return installer;
}

Installer::~Installer() {
    kill();
}

bool Installer::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Installer::raiseIfEnded(const std::string& what) const {
    if (!running()) {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        throw DriverError(name_ + " ended with exit code " + std::to_string(code) +
                          " while the test waited for " + what);
    }
}

std::optional<Window> Installer::findWindow(const std::string& caption,
                                            const std::string& cls) const {
    for (const Window& window : topWindows(processId_)) {
        try {
            if (matches(window, caption, cls)) {
                return window;
            }
        } catch (const DriverError&) {
            if (window.exists() && window.visible()) {
                throw;
            }
        }
    }
    return std::nullopt;
}

Window Installer::waitForWindow(const std::string& caption, const std::string& cls,
                                Milliseconds timeout) const {
    const std::string what = "the window \"" + caption + "\"";
    std::optional<Window> found;
    try {
        waitUntil(
            [&] {
                found = findWindow(caption, cls);
                if (!found) {
                    raiseIfEnded(what);
                }
                return found.has_value();
            },
            what, timeout);
    } catch (const DriverError& error) {
        throw DriverError(std::string(error.what()) +
                          "; windows shown:" + windowListing(processId_));
    }
    return *found;
}

Window Installer::mainWindow(Milliseconds timeout) const {
    return waitForWindow("Zull Installation Tool", {}, timeout);
}

std::optional<MessageBoxView> Installer::findMessageBox() const {
    std::vector<MessageBoxView> boxes = messageBoxes(processId_, {});
    if (boxes.empty()) {
        return std::nullopt;
    }
    return boxes.front();
}

MessageBoxView Installer::waitForMessageBox(Milliseconds timeout,
                                            const std::string& caption) const {
    const std::string what =
        caption.empty() ? std::string("a message box") : "the message box \"" + caption + "\"";
    std::optional<MessageBoxView> found;
    try {
        waitUntil(
            [&] {
                std::vector<MessageBoxView> boxes = messageBoxes(processId_, caption);
                if (!boxes.empty()) {
                    found = boxes.front();
                    return true;
                }
                raiseIfEnded(what);
                return false;
            },
            what, timeout);
    } catch (const DriverError& error) {
        throw DriverError(std::string(error.what()) +
                          "; windows shown:" + windowListing(processId_));
    }
    return *found;
}

void Installer::waitForNoMessageBox(Milliseconds timeout) const {
    waitUntil([&] { return !findMessageBox().has_value(); }, "the message box to close", timeout);
}

void Installer::settle(Milliseconds timeout) const {
    // Posted messages are handled in order: once a marker posted now has been handled,
    // everything posted before it has been too (or the handler it started now waits in a modal
    // loop). The marker is WM_SETREDRAW, which the default window procedure answers by
    // clearing (and then setting again) the WS_VISIBLE bit of a control's style, a bit that
    // can be read from outside; the control is repainted afterwards.
    const std::vector<Window> windows = topWindows(processId_);
    if (windows.empty() || !running()) {
        return;
    }
    // A static text or button leaves WM_SETREDRAW to the default window procedure; list and
    // tree views handle it themselves and are passed over.
    Window marker = windows.front();
    for (const Window& child : marker.children()) {
        const std::string cls = child.className();
        if ((child.style() & WS_VISIBLE) != 0 && (cls == "Static" || cls == "Button")) {
            marker = child;
            break;
        }
    }
    const HWND target = marker.hwnd();
    const auto shown = [target] {
        return (GetWindowLongPtrW(target, GWL_STYLE) & WS_VISIBLE) != 0;
    };
    for (const BOOL redraw : {FALSE, TRUE}) {
        if (!PostMessageW(target, WM_SETREDRAW, redraw, 0)) {
            return; // the window is gone, and with it the thread's queue
        }
        waitUntil([&] { return !IsWindow(target) || !running() || shown() == (redraw != FALSE); },
                  name_ + " to handle its pending messages", timeout);
    }
    RedrawWindow(target, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

DWORD Installer::waitForExit(Milliseconds timeout) {
    if (!process_) {
        throw DriverError("no process to wait for");
    }
    if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        throw DriverError(name_ + " did not end within " + std::to_string(timeout.count()) +
                          " ms; windows shown:" + windowListing(processId_));
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void Installer::kill() {
    if (running()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

} // namespace velk::e2e
