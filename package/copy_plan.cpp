#include "package/copy_plan.h"

#include <utility>

#include "package/work_folder_name.h"

namespace velk {

std::vector<std::string> plannedLanguages(FileSystem& files,
                                          const PackageDescription& description) {
    FileNames seen(FileNameLess{&files});
    std::vector<std::string> distinct;
    for (ListedLanguage& language : description.copiedLanguages()) {
        if (seen.insert(language.name).second) {
            distinct.push_back(std::move(language.name));
        }
    }
    return distinct;
}

std::optional<std::string> CopyPlan::reservedEntry(FileSystem& files) const {
    for (const FolderCopy& copy : copies) {
        if (copy.into != 0 && isWorkFolderName(subfolders[copy.into - 1])) {
            return copy.source;
        }
        // Only the names of a work folder's form are looked at.
        std::optional<std::string> found;
        files.enumerate(copy.source + "\\" + std::string(kWorkFolderPattern),
                        [&](const DirEntry& entry) {
                            if (!found && isPackageFile(entry) && isWorkFolderName(entry.name)) {
                                found = copy.source + "\\" + entry.name;
                            }
                        });
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

CopyPlan planInstallation(const InstallRequest& request) {
    // Nothing is copied through a link that leads out of the package ("Libs" lies directly in
    // the package folder).
    const std::size_t cut = request.libsFolder.find_last_of("\\/");
    const std::string packageFolder =
        cut == std::string::npos ? std::string(".") : request.libsFolder.substr(0, cut + 1);
    CopyPlan plan{request.target, request.descriptionFile, packageFolder, {}, {}};
    plan.copies.push_back(FolderCopy{request.libsFolder, 0});
    for (const std::string& language : request.languages) {
        std::size_t into = 0;
        if (!language.empty()) {
            plan.subfolders.push_back(language);
            into = plan.subfolders.size();
        }
        plan.copies.push_back(FolderCopy{request.libsFolder + "\\" + language, into});
    }
    if (request.defaultLanguage) {
        plan.copies.push_back(FolderCopy{request.libsFolder + "\\" + *request.defaultLanguage, 0});
    }
    return plan;
}

} // namespace velk
