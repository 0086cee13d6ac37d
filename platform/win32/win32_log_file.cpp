#include "platform/win32/win32_log_file.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <exception>

#include "platform/long_path.h"
#include "platform/win32/growing_call.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

std::wstring processCurrentFolder() {
    return growingCall(
        [](wchar_t* buffer, DWORD capacity) { return GetCurrentDirectoryW(capacity, buffer); });
}

} // namespace

std::string stampedLine(const SYSTEMTIME& time, const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                  time.wMilliseconds);
    return stamp + text + "\r\n";
}

std::string Win32LogFile::temporaryFolder() {
    return toUtf8(growingCall(
        [](wchar_t* buffer, DWORD capacity) { return GetTempPathW(capacity, buffer); }));
}

bool Win32LogFile::open(const std::string& path) {
    // Appending only: what is there stays, and every write lands at the file's end, even when
    // another run appends to the same file at the same time. The folder must exist already.
    // A device name ("NUL", "C:\x\nul.txt") is the device, as Windows takes the plain form: the
    // extended form would make a file of that name instead.
    const std::string device = deviceName(path);
    const std::wstring system = toWide(
        device.empty() ? extendedPath(path, toUtf8(processCurrentFolder())) : "\\\\.\\" + device);
    file_.reset(CreateFileW(system.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file_);
}

bool Win32LogFile::writeLine(const std::string& text) {
    if (!file_) {
        return false;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string line = stampedLine(now, text);
    // One write for the whole line, unbuffered in the program: a killed run leaves it whole.
    DWORD written = 0;
    return WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                     nullptr) != FALSE &&
           written == line.size();
}

std::string Win32LogFile::systemMessage(unsigned long error) {
    return systemErrorText(error);
}

std::string Win32LogFile::programVersion() {
    const std::wstring program = growingCall([](wchar_t* buffer, DWORD capacity) {
        return GetModuleFileNameW(nullptr, buffer, capacity);
    });
    // The version information is read only for the log: version.dll loads when it is first
    // needed.
    try {
        DWORD ignored = 0;
        const DWORD size = getFileVersionInfoSize(program.c_str(), &ignored);
        if (size == 0) {
            return {};
        }
        std::string data(size, '\0');
        if (!getFileVersionInfo(program.c_str(), 0, size, data.data())) {
            return {};
        }
        // The product version of the first language the information is written in.
        struct Translation {
            WORD language;
            WORD codePage;
        };
        Translation* translations = nullptr;
        UINT length = 0;
        if (!verQueryValue(data.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translations), &length) ||
            length < sizeof(Translation)) {
            return {};
        }
        wchar_t name[64];
        std::swprintf(name, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion",
                      translations->language, translations->codePage);
        wchar_t* version = nullptr;
        if (!verQueryValue(data.data(), name, reinterpret_cast<void**>(&version), &length) ||
            length == 0) {
            return {};
        }
        std::wstring_view text(version, length);
        while (!text.empty() && text.back() == L'\0') {
            text.remove_suffix(1);
        }
        return toUtf8(text);
    } catch (const std::exception&) {
        return {}; // no version.dll to be had
    }
}

} // namespace velk::win32
