#include "package/package_files.h"

namespace velk {

PackageListing packageFiles(FileSystem& files, const std::string& folder) {
    PackageListing result;
    if (!files.setCurrentFolder(folder)) {
        // A folder that is there but cannot be entered (no permission, a dropped share) is not
        // the same as no folder.
        result.complete = !files.folderExists(folder);
        return result;
    }
    result.complete = static_cast<bool>(files.enumerate("*.*", [&result](const DirEntry& entry) {
        if (!entry.isFolder && entry.size > 0) {
            result.files.push_back(entry);
        }
    }));
    return result;
}

} // namespace velk
