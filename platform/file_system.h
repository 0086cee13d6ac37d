#pragma once
// The file system as the installer uses it. Paths are UTF-8 and used as given (plain
// concatenation, nothing normalised by the program); relative paths are resolved against the
// current folder that setCurrentFolder made. Paths may be of any length.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// Which folder a path leads to, whatever way it is spelled: its volume and its file ID there.
struct FolderId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FolderId&) const = default;
};

struct DirEntry {
    std::string name;       // bare name, no folder
    std::uint64_t size = 0; // full 64-bit size; 0 for folders
    bool isFolder = false;
    std::uint32_t attributes = 0; // FILE_ATTRIBUTE_* bits as the platform reports them
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // True when the path's attributes can be read and include the folder attribute.
    virtual bool folderExists(const std::string& path) = 0;
    // True when a search for the path finds an entry and that entry is not a folder.
    virtual bool fileExists(const std::string& path) = 0;
    // Calls `visit` for every entry matching `pattern` (for example "*.*" or "*.lin"), relative
    // to the current folder unless the pattern holds a folder, with every attribute admitted, in
    // the platform's enumeration order. Nothing when the search finds nothing or fails.
    virtual void enumerate(const std::string& pattern,
                           const std::function<void(const DirEntry&)>& visit) = 0;
    virtual bool setCurrentFolder(const std::string& path) = 0;
    // The folder of the running program, ending in a backslash.
    virtual std::string programFolder() = 0;
    // Copies one whole file, replacing an existing one, carrying the source's attributes over.
    // Fails, as on Windows, when the existing target is read-only or held open by another process.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // Creates one folder level.
    virtual bool createFolder(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    // The Windows folder, without trailing backslash.
    virtual std::string windowsFolder() = 0;
    // Reads a whole file, opened for reading and shared for reading only. Throws
    // AppError("Cannot open file \"<full path>\". <system's reason>") when it cannot be opened.
    virtual std::string readFile(const std::string& path) = 0;

    // The path made absolute against the current folder (".", ".." and doubled separators
    // resolved, and trailing blanks and dots of the last name dropped, as the system resolves
    // them when it opens a path); a trailing backslash is kept. Empty for an empty path.
    virtual std::string fullPath(const std::string& path) = 0;
    // The identities of the folder and of every folder above the place it really lies in (links
    // and junctions followed), the folder first and its volume's root last. Empty when the path
    // is no folder, cannot be opened or has no identity (a file server that gives none); ends
    // early at the first folder above that has none.
    virtual std::vector<FolderId> folderLineage(const std::string& path) = 0;
    // Compares two file names as the file system does, ignoring case: negative, zero or positive
    // as `a` sorts before, with or after `b`.
    virtual int compareFileNames(const std::string& a, const std::string& b) = 0;
    // Turns text in the system's ANSI code page, as programs that know no Unicode write it, into
    // UTF-8.
    virtual std::string ansiToUtf8(std::string_view text) = 0;

    // --- Where a folder really lies -------------------------------------------------------------
    // The full path of the place the folder really lies in (links and junctions followed, names
    // spelled as stored), in the plain form of fullPath ("C:\dir", "\\server\share\dir") where
    // it has one, for telling folders apart where they have no identity (see folderLineage).
    // Empty when the path is no folder or cannot be opened or resolved.
    virtual std::string finalFolderPath(const std::string& path) = 0;
};

} // namespace velk
