#include "platform/win32/win32_files_in_use.h"

#include <windows.h>

#include <restartmanager.h>

#include <algorithm>

#include "platform/long_path.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

std::wstring forWindows(const std::string& path) {
    return toWide(pathForWindows(path, {}, MAX_PATH));
}

// True when another process has the file open (or has locked a range of it): one open to read or
// write keeps it from being replaced or moved even where it shares its deletion.
bool inUse(const std::string& path) {
    const UniqueHandle file(CreateFileW(forWindows(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file) {
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// A Restart Manager session, ended once.
struct SessionTraits {
    using pointer = DWORD;
    static constexpr pointer empty() noexcept { return ~DWORD{0}; }
    static bool isEmpty(pointer value) noexcept { return value == empty(); }
    static void close(pointer value) noexcept {
        if (const auto end = rmEndSession.find()) {
            end(value);
        }
    }
};
using UniqueRmSession = UniqueAny<SessionTraits>;

} // namespace

std::vector<FileHolder> programsHolding(const std::vector<std::string>& paths) {
    std::vector<FileHolder> holders;
    if (paths.empty() || rmStartSession.find() == nullptr) {
        return holders;
    }
    DWORD started = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (rmStartSession(&started, 0, key) != ERROR_SUCCESS) {
        return holders;
    }
    const UniqueRmSession session(started);
    std::vector<std::wstring> names;
    std::vector<LPCWSTR> pointers;
    names.reserve(paths.size());
    for (const std::string& path : paths) {
        names.push_back(forWindows(path));
        pointers.push_back(names.back().c_str());
    }
    if (rmRegisterResources(session.get(), static_cast<UINT>(pointers.size()), pointers.data(), 0,
                            nullptr, 0, nullptr) != ERROR_SUCCESS) {
        return holders;
    }
    // The list may grow between the call that sizes it and the one that fills it.
    std::vector<RM_PROCESS_INFO> found;
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
        UINT needed = 0;
        UINT count = static_cast<UINT>(found.size());
        DWORD reasons = 0;
        const DWORD result = rmGetList(session.get(), &needed, &count,
                                       found.empty() ? nullptr : found.data(), &reasons);
        if (result == ERROR_MORE_DATA) {
            found.resize(needed);
        } else if (result == ERROR_SUCCESS) {
            found.resize(std::min<std::size_t>(count, found.size()));
            listed = true;
        } else {
            break;
        }
    }
    if (!listed) {
        return holders;
    }
    for (const RM_PROCESS_INFO& info : found) {
        FileHolder holder{toUtf8(info.strAppName), info.Process.dwProcessId};
        if (std::find(holders.begin(), holders.end(), holder) == holders.end()) {
            holders.push_back(std::move(holder));
        }
    }
    return holders;
}

FilesHeld Win32FilesInUse::check(const std::vector<std::string>& paths) {
    FilesHeld held;
    for (const std::string& path : paths) {
        if (inUse(path)) {
            held.files.push_back(path);
        }
    }
    if (!held.files.empty()) {
        held.programs = programsHolding(held.files);
    }
    return held;
}

void Win32FilesInUse::pause(unsigned ms) {
    Sleep(ms);
}

} // namespace velk::win32
