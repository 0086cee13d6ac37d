#include <windows.h>

#include <algorithm>

#include "platform/long_path.h"
#include "platform/win32/growing_call.h"
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

namespace {

// The path as Windows is to get it: as given while it is short enough for the plain form, else
// in the extended form, so that a package lying deep, or holding deep folders, is read whole
// whether or not long paths are enabled.
std::wstring systemPath(const std::string& path) {
    const std::string current = isFullPath(path)
                                    ? std::string()
                                    : toUtf8(win32::growingCall([](wchar_t* buffer, DWORD size) {
                                          return GetCurrentDirectoryW(size, buffer);
                                      }));
    return toWide(pathForWindows(path, current, MAX_PATH));
}

// Whether a file may be opened for reading, as installation opens it to copy it; what other
// programs do with it meanwhile does not count.
bool mayRead(const std::string& path) {
    const win32::UniqueHandle file(
        CreateFileW(systemPath(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

} // namespace

std::optional<std::vector<Entry>> listFolder(const std::string& path) {
    WIN32_FIND_DATAW data{};
    win32::UniqueFindHandle find(FindFirstFileExW(systemPath(joinPath(path, "*")).c_str(),
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
        std::string utf8 = toUtf8(name);
        const bool readable = folder || size == 0 || mayRead(joinPath(path, utf8));
        const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(Entry{std::move(utf8), folder, size, readable, link});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        return std::nullopt;
    }
    return entries;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string finalPath(const std::string& path) {
    // Opened for its attributes only, following every link and junction; a folder needs backup
    // semantics to be opened at all.
    const win32::UniqueHandle opened(
        CreateFileW(systemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened) {
        return {};
    }
    const std::wstring place = win32::growingCall([&opened](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(opened.get(), buffer, size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    // In the form people write: "C:\..." and "\\server\share\..." without the extended prefix.
    if (place.starts_with(L"\\\\?\\UNC\\")) {
        return "\\\\" + toUtf8(std::wstring_view(place).substr(8));
    }
    if (place.size() >= 6 && place.starts_with(L"\\\\?\\") && place[5] == L':') {
        return toUtf8(std::wstring_view(place).substr(4));
    }
    return toUtf8(place);
}

FileRead readFile(const std::string& path, std::size_t head) {
    const std::wstring system = systemPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {ReadStatus::CannotRead, {}};
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return {ReadStatus::NotAFile, {}};
    }
    win32::UniqueHandle file(CreateFileW(system.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return {ReadStatus::CannotRead, {}};
    }
    // A pipe or a device (a name such as "nul.txt" may lead to one) is no file to read.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return {ReadStatus::NotAFile, {}};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        return {ReadStatus::CannotRead, {}};
    }
    return readBounded(static_cast<std::uint64_t>(size.QuadPart), head,
                       [&file](char* buffer, std::size_t capacity) {
                           DWORD got = 0;
                           return ReadFile(file.get(), buffer, static_cast<DWORD>(capacity), &got,
                                           nullptr)
                                      ? static_cast<long long>(got)
                                      : -1LL;
                       });
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
