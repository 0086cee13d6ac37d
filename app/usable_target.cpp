#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "platform/long_path.h"

namespace velk {

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
    return isFullPath(target) ? target : files.fullPath(target);
}

} // namespace velk
