#pragma once
// The package files of a folder: the entries directly in it that are not folders and whose full
// 64-bit size is above zero, in the platform's enumeration order. Empty files, subfolders and
// "." and ".." are left out; subfolders are never entered.

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk {

// Makes `folder` the current folder and lists its package files. A folder that cannot be made
// current has none (and the current folder stays as it was).
std::vector<DirEntry> packageFiles(FileSystem& files, const std::string& folder);

} // namespace velk
