#include "app/host_suite.h"

#include "platform/file_system.h"
#include "platform/registry.h"

namespace velk {

namespace {

const char* folderValueName(int folderKind) {
    switch (folderKind) {
    case 0:
        return "StdLibDir";
    case 1:
        return "AppLibDir";
    case 2:
        return "UsrLibDir";
    default:
        return "AppsDir";
    }
}

} // namespace

bool findHostLibraryFolder(Registry& registry, FileSystem& files, const std::string& versionKey,
                           int folderKind, std::string& folder) {
    const char* keyPath = hostVersionRegistryKey(versionKey);
    if (keyPath == nullptr) {
        return false;
    }
    auto key = registry.openLocalMachine(keyPath);
    if (!key) {
        return false;
    }
    folder = key->readString(folderValueName(folderKind));
    return files.folderExists(folder);
}

} // namespace velk
