#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/long_path.h"
#include "platform/passing_lock.h"
#include "platform/win32/growing_call.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

constexpr DWORD invalidAttributes = INVALID_FILE_ATTRIBUTES;
// CreateDirectory keeps room for an 8.3 name below the new folder.
constexpr std::size_t folderReserve = 12;

std::wstring processCurrentFolder() {
    return growingCall(
        [](wchar_t* buffer, DWORD capacity) { return GetCurrentDirectoryW(capacity, buffer); });
}

static_assert(Win32FileSystem::kMaxPath == MAX_PATH);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              kErrorAccessDenied == ERROR_ACCESS_DENIED &&
              kErrorNoMoreFiles == ERROR_NO_MORE_FILES && kErrorGenFailure == ERROR_GEN_FAILURE &&
              kErrorSharingViolation == ERROR_SHARING_VIOLATION &&
              kErrorFileExists == ERROR_FILE_EXISTS && kErrorDiskFull == ERROR_DISK_FULL &&
              kErrorAlreadyExists == ERROR_ALREADY_EXISTS);

// The failure that the last call reported.
FsResult lastFailure() {
    return FsResult::failure(GetLastError());
}

// True when the file itself refuses to be opened for its deletion: another program holds it
// without sharing that, or is deleting it. A file that is missing, a folder, or a read-only file
// (whose deletion is refused only when it is made) does not.
bool fileRefuses(const std::wstring& path) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file) {
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

// The system call `call`, tried again while it meets a lock that passes (platform/passing_lock.h);
// `file` is the file whose lock may pass.
FsResult retriedWhileLocked(const std::function<FsResult()>& attempt, const std::wstring& file) {
    return retryPassingLock(
        attempt, [&file] { return fileRefuses(file); }, [](unsigned ms) { Sleep(ms); });
}

// The outcome of a system call that reports its failure as FALSE and the last error.
FsResult reported(BOOL succeeded) {
    return succeeded != FALSE ? FsResult() : lastFailure();
}

// True under Wine, which shows a Unix symbolic link to a file as the file itself: neither its
// attributes nor a listing mark it as a reparse point, as Windows marks every link (Wine marks
// links to folders).
bool linkedFilesLookPlain() {
    return wineGetVersion.find() != nullptr;
}

} // namespace

std::wstring Win32FileSystem::systemPath(const std::string& path, std::size_t reserve) const {
    const bool full = isFullPath(path);
    std::wstring wide = toWide(path);
    if (isExtendedPath(path)) {
        return wide;
    }
    const std::size_t limit = maxPath_ - reserve; // a full path must stay below it
    if (full) {
        return wide.size() < limit ? wide : toWide(extendedPath(path, {}));
    }
    // Relative to the process's current folder, whose length bounds that of the full path.
    const std::wstring current = processCurrentFolder();
    if (current.size() + 1 + wide.size() < limit) {
        return wide;
    }
    return toWide(extendedPath(path, toUtf8(current)));
}

std::string Win32FileSystem::fullPath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const std::wstring wide = toWide(path);
    const std::wstring full = growingCall([&wide](wchar_t* buffer, DWORD capacity) {
        return GetFullPathNameW(wide.c_str(), capacity, buffer, nullptr);
    });
    return full.empty() ? path : toUtf8(full);
}

bool Win32FileSystem::folderExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
    return attributes != invalidAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::fileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(systemPath(path).c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FsResult Win32FileSystem::enumerate(const std::string& pattern,
                                    const std::function<void(const DirEntry&)>& visit) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(systemPath(pattern).c_str(), &data));
    if (!find) {
        const DWORD error = GetLastError();
        // Nothing matches: an empty listing. Anything else (a folder that cannot be read, a
        // missing path) is a listing that failed.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES
                   ? FsResult()
                   : FsResult::failure(error);
    }
    DirEntry entry; // reused: only the name's storage grows when needed
    do {
        entry.name = toUtf8(data.cFileName);
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = entry.isFolder ? 0
                                    : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                          data.nFileSizeLow;
        entry.attributes = data.dwFileAttributes;
        visit(entry);
    } while (FindNextFileW(find.get(), &data));
    // Only the end of the entries ends a listing normally; a read error or a dropped network
    // connection partway must not pass for the end.
    const DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? FsResult() : FsResult::failure(error);
}

std::optional<DirEntry> Win32FileSystem::entryNamed(const std::string& folder,
                                                    const std::string& name) {
    // A name with a tilde may be another entry's short (8.3) alias, and one that ends in a dot or
    // blank is opened as the name without them: only a search tells whether the name is listed.
    // Any other is looked up by its attributes, which asks the system far less than a search.
    if (name.empty() || name.find('~') != std::string::npos || name.back() == '.' ||
        name.back() == ' ') {
        return FileSystem::entryNamed(folder, name);
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(systemPath(folder + "\\" + name).c_str(), GetFileExInfoStandard,
                              &data)) {
        return std::nullopt;
    }
    DirEntry entry;
    entry.name = name;
    entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = entry.isFolder
                     ? 0
                     : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.attributes = data.dwFileAttributes;
    return entry;
}

std::string Win32FileSystem::programFolder() {
    const std::string path = toUtf8(growingCall([](wchar_t* buffer, DWORD capacity) {
        return GetModuleFileNameW(nullptr, buffer, capacity);
    }));
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FsResult Win32FileSystem::copyNewFile(const std::string& from, const std::string& to) {
    // With fail-if-exists the copy creates its target as a new file: an existing name, a link
    // included, is never opened, so nothing is written through a link.
    const std::wstring source = systemPath(from);
    const std::wstring target = systemPath(to);
    return retriedWhileLocked(
        [&] { return reported(CopyFileW(source.c_str(), target.c_str(), TRUE)); }, target);
}

FsResult Win32FileSystem::replaceFile(const std::string& from, const std::string& to) {
    const std::wstring source = systemPath(from);
    const std::wstring target = systemPath(to);
    // Windows refuses to replace a read-only file, and a hidden or system file with one that
    // lacks that attribute. Wine lets a root user do both. Refuse here so that the program
    // behaves the same everywhere, before anything of the target is touched. A link is replaced
    // as an entry of its own, whatever it leads to.
    // The source's attributes are asked only for a hidden or system target, which few are.
    const DWORD targetAttributes = GetFileAttributesW(target.c_str());
    if (targetAttributes != invalidAttributes &&
        (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
        if ((targetAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return FsResult::failure(ERROR_ACCESS_DENIED);
        }
        const DWORD keptBits = targetAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (keptBits != 0) {
            const DWORD sourceAttributes = GetFileAttributesW(source.c_str());
            if (sourceAttributes != invalidAttributes && (keptBits & ~sourceAttributes) != 0) {
                return FsResult::failure(ERROR_ACCESS_DENIED);
            }
        }
    }
    return retriedWhileLocked(
        [&] {
            return reported(MoveFileExW(source.c_str(), target.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
        },
        target);
}

FsResult Win32FileSystem::clearReadOnly(const std::string& path) {
    const std::wstring system = systemPath(path);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == invalidAttributes) {
        return lastFailure();
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // Only these can be set; FILE_ATTRIBUTE_NORMAL must stand alone, when nothing else is.
        const DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
        const DWORD rest = attributes & settable;
        if (SetFileAttributesW(system.c_str(), rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL) == FALSE) {
            return lastFailure();
        }
    }
    return {};
}

bool Win32FileSystem::isLink(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
    if (attributes == invalidAttributes) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !linkedFilesLookPlain()) {
        return false;
    }
    // There a file is a link when it really lies elsewhere than in its folder under its name.
    const std::string full = fullPath(path);
    const std::size_t cut = full.find_last_of('\\');
    if (cut == std::string::npos || cut + 1 == full.size()) {
        return false;
    }
    const std::string folder = finalFolderPath(full.substr(0, std::max<std::size_t>(cut, 3)));
    const std::string place = finalPath(full);
    if (folder.empty() || place.empty()) {
        return false;
    }
    const std::string listed = folder + (folder.back() == '\\' ? "" : "\\") + full.substr(cut + 1);
    return compareFileNames(place, listed) != 0;
}

bool Win32FileSystem::linksLookPlain() {
    return linkedFilesLookPlain();
}

FsResult Win32FileSystem::createFolder(const std::string& path) {
    if (CreateDirectoryW(systemPath(path, folderReserve).c_str(), nullptr) == FALSE) {
        return lastFailure();
    }
    return {};
}

FsResult Win32FileSystem::deleteFile(const std::string& path) {
    const std::wstring file = systemPath(path);
    return retriedWhileLocked([&file] { return reported(DeleteFileW(file.c_str())); }, file);
}

namespace {

// Deletes the open file; one that is read-only has the attribute taken off for the deletion and,
// when another name keeps the file, put back.
FsResult discardOpen(HANDLE file) {
    FILE_BASIC_INFO basic{};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandle(file, &info)) {
        return FsResult::failure(GetLastError());
    }
    const bool readOnly = (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    const auto setAttributes = [&](DWORD attributes) {
        FILE_BASIC_INFO changed{};
        changed.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
        return SetFileInformationByHandle(file, FileBasicInfo, &changed, sizeof changed) != FALSE;
    };
    if (readOnly && !setAttributes(basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY)) {
        return FsResult::failure(GetLastError());
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool deleted = SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                                    sizeof disposition) != FALSE;
    const DWORD error = deleted ? 0 : GetLastError();
    if (readOnly && (!deleted || info.nNumberOfLinks > 1)) {
        setAttributes(basic.FileAttributes);
    }
    return deleted ? FsResult() : FsResult::failure(error);
}

} // namespace

FsResult Win32FileSystem::discardFile(const std::string& path) {
    const std::wstring system = systemPath(path);
    return retriedWhileLocked(
        [&system] {
            const UniqueHandle file(
                CreateFileW(system.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            return file ? discardOpen(file.get()) : lastFailure();
        },
        system);
}

FsResult Win32FileSystem::moveFile(const std::string& from, const std::string& to) {
    // Without MOVEFILE_COPY_ALLOWED a move never becomes a copy: on the same volume it is a
    // rename, done at once or not at all.
    const std::wstring source = systemPath(from);
    const std::wstring target = systemPath(to);
    return retriedWhileLocked(
        [&] {
            return reported(MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH));
        },
        source);
}

FsResult Win32FileSystem::linkFile(const std::string& existing, const std::string& link) {
    // One open of the file, which asks for its deletion and shares nothing, so that a file that
    // another process has open in any way is refused here (CreateHardLink asks for nothing that
    // sharing could refuse): a file open elsewhere, even one shared for deletion, cannot be
    // replaced. The second name is made through it. Not tried again while the file is held (see
    // file_system.h).
    const UniqueHandle file(CreateFileW(systemPath(existing).c_str(),
                                        DELETE | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return lastFailure();
    }
    // The system's own form of the new name: the extended form with "\??\" for "\\?\".
    std::wstring name = toWide(extendedPath(link, toUtf8(processCurrentFolder())));
    name[1] = L'?';
    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(offsetof(FILE_LINK_INFORMATION, FileName) + nameBytes);
    auto* const info = reinterpret_cast<FILE_LINK_INFORMATION*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<ULONG>(nameBytes);
    std::memcpy(info->FileName, name.data(), nameBytes);
    IO_STATUS_BLOCK status{};
    const NTSTATUS linked = ntSetInformationFile(
        file.get(), &status, info, static_cast<ULONG>(buffer.size()), FileLinkInformation);
    if (linked < 0) {
        return FsResult::failure(rtlNtStatusToDosError(linked));
    }
    return {};
}

namespace {

// Writes `content` whole to an open file. A write to a full disk may first write less than asked
// and succeed; the next one then fails with the reason.
FsResult writeWhole(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(content.size(), std::size_t{1} << 24));
        DWORD written = 0;
        if (!WriteFile(file, content.data(), want, &written, nullptr)) {
            return lastFailure();
        }
        if (written == 0) {
            return FsResult::failure(ERROR_DISK_FULL);
        }
        content.remove_prefix(written);
    }
    return {};
}

class Win32FileWriter : public FileWriter {
  public:
    explicit Win32FileWriter(UniqueHandle file) : file_(std::move(file)) {}
    FsResult write(std::string_view content) override { return writeWhole(file_.get(), content); }
    FsResult flush() override { return FlushFileBuffers(file_.get()) ? FsResult() : lastFailure(); }

  private:
    UniqueHandle file_;
};

} // namespace

FsResult Win32FileSystem::writeNewFile(const std::string& path, std::string_view content) {
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return lastFailure();
    }
    const FsResult written = writeWhole(file.get(), content);
    if (!written) {
        return written;
    }
    if (!FlushFileBuffers(file.get())) {
        return lastFailure();
    }
    return {};
}

FsResult Win32FileSystem::createNewFile(const std::string& path,
                                        std::unique_ptr<FileWriter>& writer) {
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return lastFailure();
    }
    writer = std::make_unique<Win32FileWriter>(std::move(file));
    return {};
}

FsResult Win32FileSystem::createHiddenFolder(const std::string& path) {
    const std::wstring system = systemPath(path, folderReserve);
    if (CreateDirectoryW(system.c_str(), nullptr) == FALSE) {
        return lastFailure();
    }
    // Hidden only to keep it out of the user's sight: a file system that keeps no such attribute
    // gets a plain folder.
    SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return {};
}

FsResult Win32FileSystem::removeFolder(const std::string& path) {
    if (RemoveDirectoryW(systemPath(path).c_str()) == FALSE) {
        return lastFailure();
    }
    return {};
}

namespace {

class Win32HeldFile : public HeldFile {
  public:
    explicit Win32HeldFile(UniqueHandle file) : file_(std::move(file)) {}

  private:
    UniqueHandle file_;
};

} // namespace

FsResult Win32FileSystem::holdFile(const std::string& path, std::unique_ptr<HeldFile>& held) {
    // Open to write and shared for reading only: every other opening to write, move, delete or
    // hold it is refused, and so is any that would not share writing with this one.
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return lastFailure();
    }
    held = std::make_unique<Win32HeldFile>(std::move(file));
    return {};
}

FsResult Win32FileSystem::holdFolder(const std::string& path, std::unique_ptr<HeldFile>& held) {
    // Listing access, so that the sharing of the opening counts (one that reads attributes only
    // shares nothing away); shared for everything but deletion, which a move or rename asks for.
    UniqueHandle folder(CreateFileW(
        systemPath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        return lastFailure();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.get(), &info)) {
        return lastFailure();
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return FsResult::failure(ERROR_DIRECTORY);
    }
    held = std::make_unique<Win32HeldFile>(std::move(folder));
    return {};
}

std::string Win32FileSystem::errorMessage(unsigned long error) {
    return systemErrorText(error);
}

std::string Win32FileSystem::windowsFolder() {
    std::string folder = toUtf8(growingCall(
        [](wchar_t* buffer, DWORD capacity) { return GetWindowsDirectoryW(buffer, capacity); }));
    // GetWindowsDirectory gives a trailing backslash only for a drive's root.
    if (folder.size() > 1 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

FsResult Win32FileSystem::readFile(const std::string& path, std::string& content) {
    content.clear();
    UniqueHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return lastFailure();
    }
    LARGE_INTEGER size{};
    std::size_t expected = 0;
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        expected = static_cast<std::size_t>(size.QuadPart);
    }
    if (const unsigned long error = readToEnd(file.get(), expected, SIZE_MAX, content)) {
        content.clear();
        return FsResult::failure(error);
    }
    return {};
}

unsigned long readToEnd(void* file, std::size_t expected, std::size_t most, std::string& content) {
    // In pieces that fit a DWORD. The spare byte lets the last read see the end without growing
    // the buffer.
    constexpr std::size_t chunk = std::size_t{1} << 24;
    std::string read(std::min(expected, most - 1) + 1, '\0');
    std::size_t filled = 0;
    while (filled < most) {
        if (filled == read.size()) {
            read.resize(std::min(most, read.size() + chunk));
        }
        const DWORD want = static_cast<DWORD>(std::min(read.size() - filled, chunk));
        DWORD got = 0;
        if (!ReadFile(file, read.data() + filled, want, &got, nullptr)) {
            return GetLastError();
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    read.resize(filled);
    content = std::move(read);
    return 0;
}

std::string Win32FileSystem::ansiToUtf8(std::string_view text) {
    return toUtf8(ansiToWide(text));
}

} // namespace velk::win32
