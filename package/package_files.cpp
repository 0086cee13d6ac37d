#include "package/package_files.h"

namespace velk {

PackageListing packageFiles(FileSystem& files, const std::string& folder) {
    PackageListing result;
    const auto keep = [&result](const DirEntry& entry) {
        if (!entry.isFolder && entry.size > 0) {
            result.files.push_back(entry);
        }
    };
    if (!files.setCurrentFolder(folder)) {
        // A folder that is there but cannot be entered (no permission, a dropped share) is not
        // the same as no folder. Listing it by its path tells why; what that lists is not
        // taken, the folder being no package folder of this run.
        if (files.folderExists(folder)) {
            const FsResult listed = files.enumerate(folder + "\\*.*", [](const DirEntry&) {});
            result.complete = false;
            result.error = listed ? kErrorAccessDenied : listed.error();
        }
        return result;
    }
    const FsResult listed = files.enumerate("*.*", keep);
    result.complete = static_cast<bool>(listed);
    result.error = listed.error();
    return result;
}

} // namespace velk
