#pragma once
// The package files of a folder: the entries directly in it that are not folders and whose full
// 64-bit size is above zero, in the platform's enumeration order. Empty files, subfolders and
// "." and ".." are left out; subfolders are never entered.

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk {

struct PackageListing {
    std::vector<DirEntry> files;
    // False when the folder exists but could not be listed to its end: `files` then holds what was
    // listed before the failure, if anything, and `error` the system's reason.
    bool complete = true;
    unsigned long error = 0;
};

// Lists the package files of `folder` (a full path) by its path. A folder that does not exist
// has none and is complete.
PackageListing packageFiles(FileSystem& files, const std::string& folder);

// The error that a package folder whose files lead out of the package counts as: its listing is
// not complete. What they lead to is no part of the package, and installing it would copy the
// machine's own files.
inline constexpr unsigned long kErrorStoppedOnSymlink = 681; // ERROR_STOPPED_ON_SYMLINK

// Visits, one by one, the package files of `folder` (a full path) in the package folder
// `packageFolder` that packageFiles lists, without holding a listing, leaving out every file
// that is a link (or other reparse point) leading out of the package folder, and every file
// when `folder` itself is a link or junction that leads out; a link whose place cannot be
// resolved counts as leading out, and links that stay in the package are visited. Only what the
// listing marks as links is resolved: where a listing may show a link to a file as a plain file
// (FileSystem::linksLookPlain), whoever reads a file asks where it lies. Returns what makes the
// listing not complete: the listing's failure, or kErrorStoppedOnSymlink (after the visits) when
// a file was left out, which fails the installation. Without `checkLinks` nothing is asked: for
// a folder walked so a moment ago that held no link leading out.
FsResult eachPackageFile(FileSystem& files, const std::string& packageFolder,
                         const std::string& folder,
                         const std::function<void(const DirEntry&)>& visit, bool checkLinks = true);

// True when the final path `place` is the folder `root` (a final path too) or lies below it.
bool liesIn(FileSystem& files, const std::string& place, const std::string& root);

// True when `path`, in the package folder `packageFolder`, is a link (or, as its `attributes`
// tell, another reparse point) that leads out of it.
bool leadsOutOfPackage(FileSystem& files, const std::string& packageFolder, const std::string& path,
                       std::uint32_t attributes = 0);

// True when `entry` is a package file: no folder, and not empty.
inline bool isPackageFile(const DirEntry& entry) {
    return !entry.isFolder && entry.size > 0;
}

// Orders file names as the file system compares them (letter case aside).
struct FileNameLess {
    FileSystem* files;
    bool operator()(const std::string& a, const std::string& b) const {
        return files->compareFileNames(a, b) < 0;
    }
};
using FileNames = std::set<std::string, FileNameLess>;

} // namespace velk
