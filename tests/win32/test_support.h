#pragma once
// Helpers shared by the tests of the real platform layer.

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/test_places.h"
#include "tests/wine_differences.h"

namespace velk::win32::testing {

// A full path of the tests' making as Windows takes it: UTF-16, and in the extended form from
// 248 characters on, where the plain form may be refused.
inline std::wstring systemPath(const std::string& path) {
    const std::wstring wide = toWide(path);
    return wide.size() < 248 || wide.rfind(L"\\\\?\\", 0) == 0 ? wide : L"\\\\?\\" + wide;
}

// The folder of the helper programs (tests/tools) and of the programs built beside them, in the
// build or in the test kit, ending in a backslash.
inline std::string toolsFolder() {
    std::string folder = ::velk::testing::kitOr(VELK_TOOLS_DIR);
    if (folder.back() != '\\') {
        folder += '\\';
    }
    return folder;
}

inline std::string toolPath(const std::string& name) {
    return toolsFolder() + name + ".exe";
}

// A name unique to this process and call, for folders, keys and events. Wine hands out the
// same small process ids run after run, so the start time is part of the name.
inline std::string uniqueName(const std::string& stem) {
    static const ULONGLONG start = GetTickCount64();
    static unsigned counter = 0;
    return stem + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(start) + "_" +
           std::to_string(++counter);
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        path_ = toUtf8(std::wstring_view(temp, length)) + uniqueName("velk_win32_test");
        if (!CreateDirectoryW(systemPath(path_).c_str(), nullptr)) {
            ADD_FAILURE() << "cannot create " << path_ << ": " << GetLastError();
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { removeTree(path_); }

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    static void removeTree(const std::string& folder) {
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(FindFirstFileW(systemPath(folder + "\\*").c_str(), &data));
        if (find) {
            do {
                const std::string name = toUtf8(data.cFileName);
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string path = folder + "\\" + name;
                SetFileAttributesW(systemPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(path);
                } else if (!DeleteFileW(systemPath(path).c_str())) {
                    ADD_FAILURE() << "cannot delete " << path << ": " << GetLastError();
                }
            } while (FindNextFileW(find.get(), &data));
        }
        find.reset();
        if (!RemoveDirectoryW(systemPath(folder).c_str())) {
            ADD_FAILURE() << "cannot remove " << folder << ": " << GetLastError();
        }
    }

    std::string path_;
};

inline bool writeFile(const std::string& path, const std::string& content,
                      DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    if (!content.empty() && !WriteFile(file.get(), content.data(),
                                       static_cast<DWORD>(content.size()), &written, nullptr)) {
        return false;
    }
    file.reset();
    return written == content.size() && SetFileAttributesW(systemPath(path).c_str(), attributes);
}

// The file's content as read by plain Win32 calls ("<unreadable>" when it cannot be opened).
inline std::string contentOf(const std::string& path) {
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return "<unreadable>";
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        content.append(buffer, got);
    }
    return content;
}

inline DWORD attributesOf(const std::string& path) {
    return GetFileAttributesW(systemPath(path).c_str());
}

// A named manual-reset event created by the test for a helper program to open, which everybody
// may open: also a program that the desktop's shell starts without the test's elevation.
struct NamedEvent {
    explicit NamedEvent(const std::string& stem) : name(uniqueName(stem)) {
        PSECURITY_DESCRIPTOR everybody = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                             &everybody, nullptr);
        SECURITY_ATTRIBUTES security{sizeof security, everybody, FALSE};
        handle.reset(
            CreateEventA(everybody != nullptr ? &security : nullptr, TRUE, FALSE, name.c_str()));
        LocalFree(everybody);
    }
    std::string name;
    UniqueHandle handle;
};

// Starts a helper program directly (not through the code under test), on the desktop named
// "Station\\Desktop" when one is given, else on the test's own.
inline UniqueHandle startHelper(const std::string& commandLine, const std::string& desktop = {}) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring desktopName = toWide(desktop);
    startup.lpDesktop = desktop.empty() ? nullptr : desktopName.data();
    PROCESS_INFORMATION info{};
    std::wstring line = toWide(commandLine);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        return UniqueHandle();
    }
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

inline DWORD exitCodeAfter(const UniqueHandle& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        return 0xDEADBEEF;
    }
    DWORD code = 0xDEADBEEF;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

inline std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace velk::win32::testing
