#include "platform/win32/win32_process_starter.h"

#include <windows.h>

#include <vector>

#include "platform/win32/unique_handles.h"

namespace velk::win32 {

void Win32ProcessStarter::startProgram(const std::string& commandLine) {
    // The new program chooses how to show itself; no standard handles are passed.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // CreateProcessA may write into the command line, so it gets its own copy.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &info)) {
        return; // nothing is reported
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    thread.reset();
    // Advisory: a program without a message queue, or Wine, may end the wait at once.
    WaitForInputIdle(process.get(), 10000);
}

} // namespace velk::win32
