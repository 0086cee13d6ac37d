#include "package/copy_plan.h"

#include <utility>

#include "package/package_rules.h"
#include "package/work_folder_name.h"

namespace velk {

std::vector<std::string> plannedLanguages(FileSystem& files,
                                          const PackageDescription& description) {
    FileNames seen(FileNameLess{&files});
    std::vector<std::string> distinct;
    for (const ListedLanguage& language : description.copiedLanguages()) {
        // The folder's name as Windows makes it, which every path made from it names alike.
        std::string made(madeName(language.name));
        if (made.empty() && !language.name.empty()) {
            made = language.name; // no folder of its own: refused by its name as written
        }
        if (seen.insert(made).second) {
            distinct.push_back(std::move(made));
        }
    }
    return distinct;
}

std::optional<std::string> CopyPlan::reservedEntry(FileSystem& files) const {
    for (const FolderCopy& copy : copies) {
        if (copy.into != 0 && isReservedName(subfolders[copy.into - 1])) {
            return copy.source;
        }
        // Only the names that may be reserved are looked at.
        std::optional<std::string> found;
        files.enumerate(copy.source + "\\" + std::string(kReservedNamePattern),
                        [&](const DirEntry& entry) {
                            if (!found && isPackageFile(entry) && isReservedName(entry.name)) {
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
        plan.copies.push_back(FolderCopy{
            request.libsFolder + "\\" + std::string(madeName(*request.defaultLanguage)), 0});
    }
    return plan;
}

} // namespace velk
