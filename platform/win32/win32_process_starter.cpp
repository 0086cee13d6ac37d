#include "platform/win32/win32_process_starter.h"

#include <windows.h>

#include <string>

#include "platform/win32/desktop_shell.h"
#include "platform/win32/growing_call.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_messages.h"

namespace velk::win32 {

void Win32ProcessStarter::startProgram(const std::string& commandLine, const std::string& folder) {
    const std::wstring startFolder =
        !folder.empty() ? toWide(folder) : growingCall([](wchar_t* buffer, DWORD capacity) {
            return GetCurrentDirectoryW(capacity, buffer);
        });
    // A program started by an administrator's process would have an administrator's rights on
    // the user's desktop (an editor's Open dialog then starts anything as administrator).
    if (runningElevated() && desktopShellRuns()) {
        if (const auto parts = splitCommandLine(toWide(commandLine))) {
            const std::string program = "\"" + toUtf8(parts->program) + "\"";
            const std::string bound = std::to_string(kDesktopShellBoundMs / 1000) + " s";
            switch (startThroughDesktopShell(parts->program, parts->arguments, startFolder)) {
            case ShellStart::Started:
                return;
            case ShellStart::Unanswered:
                note("The desktop's shell was handed " + program + " and has not answered within " +
                     bound + ": it is left to the shell, not started a second time");
                return;
            case ShellStart::NoAnswer:
                note("The desktop's shell did not answer within " + bound + ": " + program +
                     " is started with the installer's own rights");
                break;
            case ShellStart::Failed:
                note("The desktop's shell could not start " + program +
                     ": it is started with the installer's own rights");
                break;
            }
        }
    }
    // The new program chooses how to show itself; no standard handles are passed.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = toWide(commandLine);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | NORMAL_PRIORITY_CLASS, nullptr, startFolder.c_str(),
                        &startup, &info)) {
        return; // nothing is reported
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    thread.reset();
    // Advisory: a program without a message queue, or Wine, may end the wait at once. Asked now
    // and then rather than waited for in one call, so that the caller's windows go on repainting.
    const ULONGLONG end = GetTickCount64() + 10000;
    while (WaitForInputIdle(process.get(), 0) == WAIT_TIMEOUT && GetTickCount64() < end) {
        if (waitRepainting(process.get(), 20)) {
            break; // the program has ended
        }
    }
}

// The texts name a program file that was found on the disk: no control characters to escape.
void Win32ProcessStarter::note(const std::string& text) {
    if (log_ != nullptr) {
        log_->writeLine(text);
    }
}

} // namespace velk::win32
