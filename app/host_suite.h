#pragma once
// The installed versions of the host suite, as their registry keys record them.

#include <string>

#include "package/host_versions.h"

namespace velk {

class Registry;
class FileSystem;

// Looks up one folder of one host suite version: kind 0 "StdLibDir", 1 "AppLibDir",
// 2 "UsrLibDir", anything else "AppsDir". When the version's key opens, `folder` receives the
// value read (empty when absent); otherwise it is left as passed. True when the key opened and
// `folder` names an existing folder. A value of another type than text throws AppError.
bool findHostLibraryFolder(Registry& registry, FileSystem& files, const std::string& versionKey,
                           int folderKind, std::string& folder);

} // namespace velk
