// What an update asks of a file it may leave in place: whether its bytes are those of the
// package's file, and the attributes it takes from it.
#include <windows.h>

#include <cstring>
#include <memory>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_file_system.h"

namespace velk::win32 {
namespace {

// Opened to read and shared for everything, so that a file another program holds open (and
// shares for reading) can still be read; a link is opened itself.
UniqueHandle openToCompare(const std::wstring& path) {
    return UniqueHandle(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The file that may stay: shared for reading only, so that the opening fails while another
// program has it open to write, and no program can open it to write (or move it) while it is
// read; with its owner readable.
UniqueHandle openToKeep(const std::wstring& path) {
    return UniqueHandle(CreateFileW(
        path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// True when the open file is a regular file with one name whose owner this program trusts.
bool mayStay(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return false;
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1) {
        return false;
    }
    return ownerOfOpen(file) != FileSystem::Owner::Other;
}

// Reads up to `size` bytes into `buffer`, as many as there are before the end: a read of a file
// that gives less than it was asked for has come to the end. 0, or the error.
DWORD readFull(HANDLE file, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const DWORD want = static_cast<DWORD>(size - got);
        DWORD read = 0;
        if (!ReadFile(file, buffer + got, want, &read, nullptr)) {
            return GetLastError();
        }
        got += read;
        if (read < want) {
            break;
        }
    }
    return 0;
}

} // namespace

FsResult Win32FileSystem::compareContents(const std::string& a, const std::string& b, bool& same,
                                          std::string* placeOfA, std::string* placeOfB) {
    same = false;
    const UniqueHandle first = openToCompare(systemPath(a));
    if (!first) {
        return FsResult::failure(GetLastError());
    }
    if (placeOfA != nullptr) {
        *placeOfA = plainFinalPath(first.get());
    }
    const UniqueHandle second = openToKeep(systemPath(b));
    if (!second) {
        return FsResult::failure(GetLastError());
    }
    if (placeOfB != nullptr) {
        *placeOfB = plainFinalPath(second.get());
    }
    if (!mayStay(second.get())) {
        return {};
    }
    // Files of other sizes part at the end of the shorter one, where the reads give different
    // counts; callers that know the sizes compare those first.
    constexpr std::size_t chunk = std::size_t{1} << 16;
    // Not cleared first: only what the reads fill is looked at.
    const auto left = std::make_unique_for_overwrite<char[]>(chunk);
    const auto right = std::make_unique_for_overwrite<char[]>(chunk);
    for (;;) {
        std::size_t leftGot = 0;
        std::size_t rightGot = 0;
        if (const DWORD error = readFull(first.get(), left.get(), chunk, leftGot)) {
            return FsResult::failure(error);
        }
        if (const DWORD error = readFull(second.get(), right.get(), chunk, rightGot)) {
            return FsResult::failure(error);
        }
        if (leftGot != rightGot || std::memcmp(left.get(), right.get(), leftGot) != 0) {
            return {}; // one changed while it was read, or the bytes differ
        }
        if (leftGot < chunk) {
            same = true;
            return {};
        }
    }
}

FsResult Win32FileSystem::setKeptAttributes(const std::string& path, std::uint32_t attributes) {
    const std::wstring system = systemPath(path);
    const DWORD now = GetFileAttributesW(system.c_str());
    if (now == INVALID_FILE_ATTRIBUTES) {
        return FsResult::failure(GetLastError());
    }
    // Only these can be set; FILE_ATTRIBUTE_NORMAL must stand alone, when nothing else is.
    const DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY |
                           FILE_ATTRIBUTE_READONLY;
    const DWORD wanted = ((now & ~kAttributeKept) | (attributes & kAttributeKept)) & settable;
    if (wanted == (now & settable)) {
        return {};
    }
    if (SetFileAttributesW(system.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL) == FALSE) {
        return FsResult::failure(GetLastError());
    }
    return {};
}

} // namespace velk::win32
