#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/form_install.h"

namespace velk {

namespace {

// A path that names its drive and starts at its root, or a network path: the current folder
// plays no part in where it leads.
bool fullyQualified(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
        return true;
    }
    return path.size() >= 3 && path[1] == ':' && separator(path[2]);
}

} // namespace

std::optional<std::string> TFormInstall::usableTarget(const std::string& libsFolder,
                                                      const std::string& insideLibs) {
    FileSystem& files = platform_.files;
    const std::string target = eInstallDir.text();
    if (!files.folderExists(target)) {
        platform_.boxes.error("Target Path not exist, cannot be installed.");
        return std::nullopt;
    }
    // Folders are compared by identity, so that no spelling of "Libs" gets past: letter case,
    // short names, "." and "..", a relative path, a link or junction leading into it.
    const std::vector<FolderId> libs = files.folderLineage(libsFolder);
    if (!libs.empty()) {
        const std::vector<FolderId> lineage = files.folderLineage(target);
        if (std::find(lineage.begin(), lineage.end(), libs.front()) != lineage.end()) {
            platform_.boxes.error(insideLibs);
            return std::nullopt;
        }
    }
    if (!files.folderExists(libsFolder)) {
        return std::nullopt;
    }
    // Listing a package folder makes it the current folder, which would move a relative target
    // (".." would lead into "Libs" once a language folder is current).
    return fullyQualified(target) ? target : files.fullPath(target);
}

} // namespace velk
