// Where a path really leads: the identities of a folder and its ancestors, the place it really
// lies in, and file names compared as the file system compares them.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/long_path.h"
#include "platform/win32/growing_call.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"

namespace velk::win32 {

namespace {

// Opened for reading its attributes only, shared with everyone, following links and junctions
// to the folder (or file) they lead to.
UniqueHandle openFolder(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<FolderId> folderIdOf(HANDLE folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    const std::uint64_t fileIndex =
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    // Some network file servers give every file the index 0. Such a folder has no identity to
    // compare: counting it as one would make every folder of the share the same folder.
    if (fileIndex == 0) {
        return std::nullopt;
    }
    return FolderId{info.dwVolumeSerialNumber, fileIndex};
}

// The length of the root of a final path, its closing backslash included: "\\?\C:\",
// "\\?\UNC\server\share\" or "\\?\Volume{...}\".
std::size_t rootLength(const std::wstring& path) {
    std::size_t start = 4; // behind "\\?\"
    int parts = 1;
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        start = 8;
        parts = 2;
    }
    std::size_t end = start;
    for (; parts > 0; --parts) {
        end = path.find(L'\\', end);
        if (end == std::wstring::npos) {
            return path.size();
        }
        ++end;
    }
    return end;
}

// The place an open file or folder really lies in, links resolved: "\\?\C:\..." or
// "\\?\UNC\server\share\...". Empty when the system cannot tell.
std::wstring finalPathOf(HANDLE handle) {
    return growingCall([handle](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(handle, buffer, size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
}

} // namespace

// The final path in the plain form of fullPath where it has one.
std::string plainFinalPath(void* handle) {
    const std::wstring place = finalPathOf(handle);
    if (place.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return "\\\\" + toUtf8(std::wstring_view(place).substr(8));
    }
    if (place.size() >= 6 && place.rfind(L"\\\\?\\", 0) == 0 && place[5] == L':') {
        return toUtf8(std::wstring_view(place).substr(4));
    }
    return toUtf8(place); // a volume without a drive letter keeps the form the system gave
}

std::vector<FolderId> Win32FileSystem::folderLineage(const std::string& path) {
    std::vector<FolderId> lineage;
    if (path.empty()) {
        return lineage;
    }
    const UniqueHandle folder = openFolder(toWide(velk::extendedPath(fullPath(path), {})));
    const std::optional<FolderId> id = folder ? folderIdOf(folder.get()) : std::nullopt;
    if (!id) {
        return lineage;
    }
    lineage.push_back(*id);

    // The place the folder really lies in, links resolved, and from there up to the root.
    std::wstring place = finalPathOf(folder.get());
    const std::size_t root = rootLength(place);
    while (place.size() > root) {
        const std::size_t cut = place.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut + 1 < root) {
            break;
        }
        place.resize(cut + 1 == root ? root : cut);
        const UniqueHandle parent = openFolder(place);
        const std::optional<FolderId> parentId = parent ? folderIdOf(parent.get()) : std::nullopt;
        if (!parentId) {
            break;
        }
        lineage.push_back(*parentId);
    }
    return lineage;
}

std::string Win32FileSystem::finalFolderPath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const UniqueHandle folder = openFolder(toWide(velk::extendedPath(fullPath(path), {})));
    // Only the attributes: GetFileInformationByHandle also asks for the volume's serial number,
    // which Wine answers from another process.
    FILE_BASIC_INFO info{};
    if (!folder || !GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &info, sizeof info) ||
        (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return {};
    }
    return plainFinalPath(folder.get());
}

std::string Win32FileSystem::finalPath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const UniqueHandle opened = openFolder(toWide(velk::extendedPath(fullPath(path), {})));
    return opened ? plainFinalPath(opened.get()) : std::string();
}

int Win32FileSystem::compareFileNames(const std::string& a, const std::string& b) {
    const std::wstring wideA = toWide(a);
    const std::wstring wideB = toWide(b);
    // CSTR_LESS_THAN, CSTR_EQUAL and CSTR_GREATER are 1, 2 and 3; upper-cased as file names are.
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) -
           CSTR_EQUAL;
}

} // namespace velk::win32
