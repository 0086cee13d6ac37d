#pragma once
// The file system through the wide functions of kernel32: UTF-8 paths in, UTF-8 names out.
//
// Paths of any length. A path too long for the plain form (MAX_PATH, 260 characters, as a full
// path; 248 for a folder to be created) goes to Windows in the extended form "\\?\C:\..." or
// "\\?\UNC\server\share\...", made from its full path (platform/long_path.h), so it works
// whether or not long paths are enabled. Shorter paths go to Windows exactly as given.
//
// No current folder of its own: nothing here changes the process's current folder, which the
// window's thread and a worker thread would share. A relative path is taken from the process's
// current folder (in the extended form, made from that folder, when the whole would be too long).
//
// `maxPath` is MAX_PATH except in tests, which pass a smaller limit to see this handling at
// work against a system that has no such limit (Wine).

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk::win32 {

// Reads the open file `file` (a HANDLE) on to its end, but never more than `most` bytes, into
// `content`; `expected` (its size as last known) sizes the first buffer, and a file that grew
// since is read on all the same. 0, or the system's error of the read that failed.
unsigned long readToEnd(void* file, std::size_t expected, std::size_t most, std::string& content);

// Where the open file or folder `handle` (a HANDLE) really lies, in the form of
// FileSystem::finalPath; empty when the system cannot tell. In win32_folder_identity.cpp.
std::string plainFinalPath(void* handle);

// Who owns the open file or folder `handle` (a HANDLE, opened with READ_CONTROL), as
// FileSystem::ownerOf tells it. In win32_file_security.cpp.
FileSystem::Owner ownerOfOpen(void* handle);

class Win32FileSystem : public FileSystem {
  public:
    static constexpr std::size_t kMaxPath = 260; // MAX_PATH

    explicit Win32FileSystem(std::size_t maxPath = kMaxPath) : maxPath_(maxPath) {}

    bool folderExists(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    FsResult enumerate(const std::string& pattern,
                       const std::function<void(const DirEntry&)>& visit) override;
    std::optional<DirEntry> entryNamed(const std::string& folder, const std::string& name) override;
    std::string programFolder() override;
    FsResult copyNewFile(const std::string& from, const std::string& to) override;
    FsResult createFolder(const std::string& path) override;
    FsResult deleteFile(const std::string& path) override;
    FsResult replaceFile(const std::string& from, const std::string& to) override;
    FsResult clearReadOnly(const std::string& path) override;
    FsResult setKeptAttributes(const std::string& path, std::uint32_t attributes) override;
    FsResult compareContents(const std::string& a, const std::string& b, bool& same,
                             std::string* placeOfA, std::string* placeOfB) override;
    bool isLink(const std::string& path) override;
    bool linksLookPlain() override;
    FsResult moveFile(const std::string& from, const std::string& to) override;
    FsResult linkFile(const std::string& existing, const std::string& link) override;
    FsResult writeNewFile(const std::string& path, std::string_view content) override;
    FsResult createNewFile(const std::string& path, std::unique_ptr<FileWriter>& writer) override;
    FsResult createHiddenFolder(const std::string& path) override;
    FsResult removeFolder(const std::string& path) override;
    FsResult discardFile(const std::string& path) override;
    FsResult holdFile(const std::string& path, std::unique_ptr<HeldFile>& held) override;
    FsResult holdFolder(const std::string& path, std::unique_ptr<HeldFile>& held) override;
    std::string errorMessage(unsigned long error) override;
    std::string windowsFolder() override;
    FsResult readFile(const std::string& path, std::string& content) override;
    std::string fullPath(const std::string& path) override;
    // In win32_folder_identity.cpp.
    std::vector<FolderId> folderLineage(const std::string& path) override;
    int compareFileNames(const std::string& a, const std::string& b) override;
    std::string finalFolderPath(const std::string& path) override;
    std::string finalPath(const std::string& path) override;
    std::string ansiToUtf8(std::string_view text) override;
    // In win32_file_security.cpp.
    FsResult readSmallFile(const std::string& path, std::size_t limit,
                           std::string& content) override;
    FsResult readFilePiece(const std::string& path, std::size_t limit, std::uint64_t offset,
                           std::size_t size, std::string& piece, std::uint64_t& fileSize) override;
    Owner ownerOf(const std::string& path) override;
    FsResult restrictToAdministrators(const std::string& path) override;

  private:
    // The path as Windows is to get it: as given, or in the extended form when the full path
    // would reach maxPath_ - `reserve` characters.
    std::wstring systemPath(const std::string& path, std::size_t reserve = 0) const;

    std::size_t maxPath_;
};

} // namespace velk::win32
