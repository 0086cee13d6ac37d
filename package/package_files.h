#pragma once
// The package files of a folder: the entries directly in it that are not folders and whose full
// 64-bit size is above zero, in the platform's enumeration order. Empty files, subfolders and
// "." and ".." are left out; subfolders are never entered.

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk {

struct PackageListing {
    std::vector<DirEntry> files;
    // False when the folder exists but could not be made current or listed to its end: `files`
    // then holds what was listed before the failure, if anything.
    bool complete = true;
};

// Makes `folder` the current folder and lists its package files. A folder that does not exist
// has none and is complete (the current folder stays as it was).
PackageListing packageFiles(FileSystem& files, const std::string& folder);

} // namespace velk
