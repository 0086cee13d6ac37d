#include <windows.h>

#include <algorithm>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

using win32::toUtf8;
using win32::toWide;

const char kSeparator = '\\';

std::string joinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/' && path.back() != ':') {
        path += kSeparator;
    }
    path.append(name);
    return path;
}

std::optional<std::vector<Entry>> listFolder(const std::string& path) {
    WIN32_FIND_DATAW data{};
    win32::UniqueFindHandle find(FindFirstFileExW(toWide(joinPath(path, "*")).c_str(),
                                                  FindExInfoBasic, &data, FindExSearchNameMatch,
                                                  nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::uint64_t size =
            folder ? 0 : (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        entries.push_back(Entry{toUtf8(name), folder, size});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    return entries;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> readFile(const std::string& path, std::size_t limit) {
    win32::UniqueHandle file(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    std::string buffer(65536, '\0');
    while (bytes.size() < limit) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(buffer.size(), limit - bytes.size()));
        if (!ReadFile(file.get(), buffer.data(), want, &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer.data(), got);
    }
    return bytes;
}

std::string foldName(std::string_view name) {
    // The upper-case mapping by the file system's rules, which file names are compared with.
    // (A kernel call: the checker loads nothing of the window system.)
    const std::wstring wide = toWide(name);
    if (wide.empty()) {
        return {};
    }
    std::wstring upper(wide.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                     static_cast<int>(wide.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
    if (length <= 0) {
        return std::string(name);
    }
    upper.resize(static_cast<std::size_t>(length));
    return toUtf8(upper);
}

std::string ansiToUtf8(std::string_view text) {
    return toUtf8(win32::ansiToWide(text));
}

} // namespace velk::check
