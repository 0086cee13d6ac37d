#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "platform/file_system.h"

namespace velk {

namespace {

// The names of a path between its backslashes, a trailing backslash left out.
std::vector<std::string> namesOf(const std::string& path) {
    std::vector<std::string> names;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = path.find('\\', begin);
        names.push_back(path.substr(begin, end - begin));
        if (end == std::string::npos) {
            break;
        }
        begin = end + 1;
    }
    if (names.size() > 1 && names.back().empty()) {
        names.pop_back();
    }
    return names;
}

// True when the final path `inner` is `outer` or lies below it: name by name, each compared as
// the file system compares names (so "Libs2" is not below "Libs").
bool liesBelow(FileSystem& files, const std::string& inner, const std::string& outer) {
    const std::vector<std::string> innerNames = namesOf(inner);
    const std::vector<std::string> outerNames = namesOf(outer);
    if (innerNames.size() < outerNames.size()) {
        return false;
    }
    for (std::size_t i = 0; i < outerNames.size(); ++i) {
        if (files.compareFileNames(innerNames[i], outerNames[i]) != 0) {
            return false;
        }
    }
    return true;
}

// True when the existing folder `target` is the folder `libs` or lies below it, however either
// is spelled: letter case, short names, "." and "..", a link or junction leading into it.
// Folders are compared by identity where the file system gives them one, and by the paths they
// really lie at where it gives none (some file servers). A target that can be neither identified
// nor resolved counts as lying inside, since nothing shows that it does not. A "Libs" that can be
// neither is taken where its full path names it.
bool liesInLibs(FileSystem& files, const std::string& target, const std::string& libs) {
    const std::vector<FolderId> libsLineage = files.folderLineage(libs);
    std::string libsPath = files.finalFolderPath(libs);
    if (libsLineage.empty() && libsPath.empty()) {
        if (!files.folderExists(libs)) {
            return false; // a missing "Libs" holds no target; the caller stops for it anyway
        }
        libsPath = files.fullPath(libs);
    }
    const std::vector<FolderId> lineage = files.folderLineage(target);
    const std::string targetPath = files.finalFolderPath(target);
    if (lineage.empty() && targetPath.empty()) {
        return true;
    }
    if (!libsLineage.empty() &&
        std::find(lineage.begin(), lineage.end(), libsLineage.front()) != lineage.end()) {
        return true;
    }
    return !libsPath.empty() && !targetPath.empty() && liesBelow(files, targetPath, libsPath);
}

} // namespace

std::optional<std::string> TFormInstall::usableTarget(const std::string& libsFolder,
                                                      const std::string& insideLibs) {
    enum class Problem { None, Missing, InsideLibs, NoLibs };
    FileSystem& files = platform_.files;
    const std::string text = eInstallDir.text();
    std::string target;
    Problem problem = Problem::None;
    // Telling folders apart opens every folder above them, which can take a while (a network
    // share): it runs as long work, and what it found is reported afterwards.
    runWork("Checking the target folder", [&](WorkProgress&) {
        // The one form of the target that everything below uses: Windows drops trailing blanks
        // and dots of the last name when it opens a path, but a name composed below it would
        // keep them. A relative path starts at the package's "Libs" folder.
        target = fullPathFrom(files, text, relativeFrom_);
        if (!files.folderExists(target)) {
            problem = Problem::Missing;
        } else if (liesInLibs(files, target, libsFolder)) {
            problem = Problem::InsideLibs;
        } else if (!files.folderExists(libsFolder)) {
            problem = Problem::NoLibs;
        }
    });
    switch (problem) {
    case Problem::None:
        return target;
    case Problem::Missing:
        platform_.boxes.error("Target Path not exist, cannot be installed.");
        break;
    case Problem::InsideLibs:
        platform_.boxes.error(insideLibs);
        break;
    case Problem::NoLibs:
        break;
    }
    return std::nullopt;
}

} // namespace velk
