#pragma once
// Temporary files of the installation. A file that is replaced is first copied beside the old
// one under a temporary name and then swapped in; a run killed in between leaves that temporary
// file behind. Its name ("~velk" + a number + ".tmp") lets the next installation or removal in
// that folder recognise and delete it. A package may hold a file of such a name too: that one is
// never taken for a leftover, and no temporary file takes its name.

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace velk {

// Orders file names as the file system compares them (letter case aside).
struct FileNameLess {
    FileSystem* files;
    bool operator()(const std::string& a, const std::string& b) const {
        return files->compareFileNames(a, b) < 0;
    }
};
using FileNames = std::set<std::string, FileNameLess>;

// True for a name that a temporary file of ours has, in any letter case.
bool isTemporaryName(const std::string& name);

// The temporary name with the given number (1, 2, ...).
std::string temporaryName(unsigned long number);

// The names of every file in `libsFolder` and in each folder directly below it: every name that
// the package can put into a target folder. Nothing when a folder could not be listed to its
// end. Leaves the current folder as it is.
std::optional<FileNames> allPackageFileNames(FileSystem& files, const std::string& libsFolder);

// Deletes the leftover temporary files in `folder`, except those named like a package file.
// `packageNames` is asked only when there is a leftover; when it knows no names for certain
// (nothing), nothing is deleted.
void deleteLeftovers(FileSystem& files, const std::string& folder,
                     const std::function<std::optional<FileNames>()>& packageNames);

} // namespace velk
