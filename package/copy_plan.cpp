#include "package/copy_plan.h"

#include <utility>

#include "package/package_rules.h"
#include "package/work_folder_name.h"
#include "platform/long_path.h"

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

CopyPlan::NameCheck CopyPlan::checkNames(FileSystem& files) const {
    NameCheck check;
    FileNames seen(FileNameLess{&files}); // one place of the target, one failure
    for (const FolderCopy& copy : copies) {
        if (copy.into != 0) {
            const std::string& subfolder = subfolders[copy.into - 1];
            if (isReservedName(subfolder)) {
                check.reserved = copy.source;
                return check;
            }
            if (!deviceName(subfolder).empty()) {
                check.devices.push_back(folderPath(copy.into));
                continue; // its files have no place
            }
        }
        std::optional<std::string> found;
        files.enumerate(copy.source + "\\*", [&](const DirEntry& entry) {
            if (!isPackageFile(entry)) {
                return;
            }
            if (!found && isReservedName(entry.name)) {
                found = copy.source + "\\" + entry.name;
            } else if (!deviceName(entry.name).empty()) {
                const std::string place = folderPath(copy.into) + "\\" + entry.name;
                if (seen.insert(place).second) {
                    check.devices.push_back(place);
                }
            }
        });
        if (found) {
            check.reserved = std::move(found);
            return check;
        }
    }
    return check;
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
