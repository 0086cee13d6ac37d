#include "package/package_files.h"

#include <algorithm>
#include <optional>

namespace velk {

namespace {

// True when the final path `place` is the folder `root` (a final path too) or lies below it.
bool liesIn(FileSystem& files, const std::string& place, const std::string& root) {
    if (root.empty() || place.size() < root.size() ||
        files.compareFileNames(place.substr(0, root.size()), root) != 0) {
        return false;
    }
    return place.size() == root.size() || root.back() == '\\' || place[root.size()] == '\\';
}

} // namespace

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

void dropLinksOutOfPackage(FileSystem& files, const std::string& packageFolder,
                           const std::string& folder, PackageListing& listing) {
    std::optional<std::string> root; // the package folder's final path, once a link needs it
    const auto leadsOut = [&](const std::string& path) {
        if (!root) {
            root = files.finalPath(packageFolder);
        }
        return !liesIn(files, files.finalPath(path), *root);
    };
    const std::size_t before = listing.files.size();
    if (files.isLink(folder) && leadsOut(folder)) {
        listing.files.clear();
    } else {
        // A listing marks a link by its attributes where the system does (Windows); isLink also
        // knows one where the listing shows what it leads to.
        std::erase_if(listing.files, [&](const DirEntry& entry) {
            const std::string path = folder + "\\" + entry.name;
            return ((entry.attributes & kAttributeReparsePoint) != 0 || files.isLink(path)) &&
                   leadsOut(path);
        });
    }
    if (listing.files.size() != before && listing.complete) {
        listing.complete = false;
        listing.error = kErrorStoppedOnSymlink;
    }
}

} // namespace velk
