#pragma once
// The package's files as the checker sees them: folders listed whole, files read, names compared
// as Windows compares them. One implementation for POSIX systems, one for Windows.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::check {

struct Entry {
    std::string name; // UTF-8 on Windows; the bytes of the name elsewhere. No folder.
    bool isFolder = false;
    std::uint64_t size = 0; // 0 for folders
    bool readable = true;   // a file that is not empty: the checker may open it for reading
    bool link = false;      // a symbolic link, junction or other reparse point itself
};

// The separator that paths are joined with here.
extern const char kSeparator;

// `folder` and `name` joined by one separator (none added when `folder` already ends in one).
std::string joinPath(const std::string& folder, std::string_view name);

// Every entry of a folder except "." and "..", in the file system's order; links are followed.
// Nothing when the folder cannot be listed.
std::optional<std::vector<Entry>> listFolder(const std::string& path);

// True when the path names a folder (links followed).
bool isFolder(const std::string& path);

// The full path of the place a file or folder really lies in, every link on the way followed,
// as the system names it (on Windows "C:\..." or "\\server\share\..."); empty when it cannot be
// resolved (a link that leads nowhere).
std::string finalPath(const std::string& path);

// The most the checker reads of one file: far above any real description or logo, so that a
// package cannot make it read without end.
inline constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

enum class ReadStatus {
    Read,
    CannotRead, // it cannot be opened or read
    NotAFile,   // not a regular file (a folder, a pipe, a device): it is not opened
    TooLarge,   // larger than kMaxFileBytes
};

struct FileRead {
    ReadStatus status = ReadStatus::Read;
    std::string bytes; // when read
};

// What kept a file from being read, to follow its name in a finding ("the logo cannot be
// read"); "" when it was read.
std::string readProblem(ReadStatus status);

// The first `head` bytes of a regular file (all of it when shorter), links followed. Only a
// regular file of at most kMaxFileBytes is read.
FileRead readFile(const std::string& path, std::size_t head = kMaxFileBytes);

// The bounded reading of an open regular file of `size` bytes, for both systems:
// `readSome(buffer, capacity)` reads the next bytes and gives their count, 0 at the end and a
// negative number when reading fails. Reads the first `head` bytes, and a file larger than
// kMaxFileBytes (by its size or by what it holds) not at all.
FileRead readBounded(std::uint64_t size, std::size_t head,
                     const std::function<long long(char* buffer, std::size_t capacity)>& readSome);

// A name folded so that two names Windows takes for the same name fold alike (letter case
// ignored in every script).
std::string foldName(std::string_view name);

// Text in the ANSI code page that a description without a byte-order mark is read in, as UTF-8:
// on Windows the system's, elsewhere Windows-1252, the code page of Western systems.
std::string ansiToUtf8(std::string_view text);

} // namespace velk::check
