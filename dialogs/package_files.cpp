#include "dialogs/package_files.h"

namespace velk {

std::vector<DirEntry> packageFiles(FileSystem& files, const std::string& folder) {
    std::vector<DirEntry> result;
    if (!files.setCurrentFolder(folder)) {
        return result;
    }
    files.enumerate("*.*", [&result](const DirEntry& entry) {
        if (!entry.isFolder && entry.size > 0) {
            result.push_back(entry);
        }
    });
    return result;
}

} // namespace velk
