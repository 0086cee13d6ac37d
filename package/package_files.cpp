#include "package/package_files.h"

#include <optional>

namespace velk {

bool liesIn(FileSystem& files, const std::string& place, const std::string& root) {
    if (root.empty() || place.size() < root.size() ||
        files.compareFileNames(place.substr(0, root.size()), root) != 0) {
        return false;
    }
    return place.size() == root.size() || root.back() == '\\' || place[root.size()] == '\\';
}

PackageListing packageFiles(FileSystem& files, const std::string& folder) {
    PackageListing result;
    const auto keep = [&result](const DirEntry& entry) {
        if (!entry.isFolder && entry.size > 0) {
            result.files.push_back(entry);
        }
    };
    if (!files.folderExists(folder)) {
        return result;
    }
    // A folder that is there but cannot be listed (no permission, a dropped share) is not the
    // same as an empty folder.
    const FsResult listed = files.enumerate(folder + "\\*.*", keep);
    result.complete = static_cast<bool>(listed);
    result.error = listed.error();
    return result;
}

FsResult eachPackageFile(FileSystem& files, const std::string& packageFolder,
                         const std::string& folder,
                         const std::function<void(const DirEntry&)>& visit, bool checkLinks) {
    if (!files.folderExists(folder)) {
        return {};
    }
    std::optional<std::string> root; // the package folder's final path, once a link needs it
    const auto leadsOut = [&](const std::string& path) {
        if (!root) {
            root = files.finalPath(packageFolder);
        }
        return !liesIn(files, files.finalPath(path), *root);
    };
    const bool folderLeadsOut = checkLinks && files.isLink(folder) && leadsOut(folder);
    bool dropped = false;
    const FsResult listed = files.enumerate(folder + "\\*.*", [&](const DirEntry& entry) {
        if (!isPackageFile(entry)) {
            return;
        }
        const std::string path = folder + "\\" + entry.name;
        if (folderLeadsOut ||
            (checkLinks && (entry.attributes & kAttributeReparsePoint) != 0 && leadsOut(path))) {
            dropped = true;
            return;
        }
        visit(entry);
    });
    if (!listed) {
        return listed;
    }
    return dropped ? FsResult::failure(kErrorStoppedOnSymlink) : FsResult();
}

bool leadsOutOfPackage(FileSystem& files, const std::string& packageFolder, const std::string& path,
                       std::uint32_t attributes) {
    return ((attributes & kAttributeReparsePoint) != 0 || files.isLink(path)) &&
           !liesIn(files, files.finalPath(path), files.finalPath(packageFolder));
}

} // namespace velk
