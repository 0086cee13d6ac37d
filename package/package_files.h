#pragma once
// The package files of a folder: the entries directly in it that are not folders and whose full
// 64-bit size is above zero, in the platform's enumeration order. Empty files, subfolders and
// "." and ".." are left out; subfolders are never entered.

#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk {

struct PackageListing {
    std::vector<DirEntry> files;
    // False when the folder exists but could not be made current or listed to its end: `files`
    // then holds what was listed before the failure, if anything, and `error` the system's
    // reason.
    bool complete = true;
    unsigned long error = 0;
};

// Makes `folder` the current folder and lists its package files. A folder that does not exist
// has none and is complete (the current folder stays as it was).
PackageListing packageFiles(FileSystem& files, const std::string& folder);

// Orders file names as the file system compares them (letter case aside).
struct FileNameLess {
    FileSystem* files;
    bool operator()(const std::string& a, const std::string& b) const {
        return files->compareFileNames(a, b) < 0;
    }
};
using FileNames = std::set<std::string, FileNameLess>;

} // namespace velk
