#pragma once
// The package's files as the checker sees them: folders listed whole, files read, names compared
// as Windows compares them. One implementation for POSIX systems, one for Windows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::check {

struct Entry {
    std::string name; // UTF-8, no folder
    bool isFolder = false;
    std::uint64_t size = 0; // 0 for folders
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

// Up to `limit` bytes from the start of a file; nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path, std::size_t limit);

// A name folded so that two names Windows takes for the same name fold alike (letter case
// ignored in every script).
std::string foldName(std::string_view name);

// Text in the ANSI code page that a description without a byte-order mark is read in, as UTF-8:
// on Windows the system's, elsewhere Windows-1252, the code page of Western systems.
std::string ansiToUtf8(std::string_view text);

} // namespace velk::check
