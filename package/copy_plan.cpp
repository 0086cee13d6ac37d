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

std::optional<std::string> CopyPlan::reservedEntry() const {
    for (const FolderCopy& copy : copies) {
        if (copy.into != 0 && isWorkFolderName(subfolders[copy.into - 1])) {
            return copy.source;
        }
        for (const DirEntry& entry : copy.listing.files) {
            if (isWorkFolderName(entry.name)) {
                return copy.source + "\\" + entry.name;
            }
        }
    }
    return std::nullopt;
}

CopyPlan planInstallation(FileSystem& files, const InstallRequest& request,
                          std::optional<PackageListing> baseFiles) {
    // Nothing is copied through a link that leads out of the package ("Libs" lies directly in
    // the package folder): each listing drops such links once, as it is made.
    const std::size_t cut = request.libsFolder.find_last_of("\\/");
    const std::string packageFolder =
        cut == std::string::npos ? std::string(".") : request.libsFolder.substr(0, cut + 1);
    const auto listingOf = [&](const std::string& source, PackageListing listing) {
        dropLinksOutOfPackage(files, packageFolder, source, listing);
        return listing;
    };
    CopyPlan plan{request.target, request.descriptionFile, {}, {}};
    plan.copies.push_back(FolderCopy{
        request.libsFolder, 0,
        listingOf(request.libsFolder,
                  baseFiles ? std::move(*baseFiles) : packageFiles(files, request.libsFolder))});
    for (const std::string& language : request.languages) {
        std::size_t into = 0;
        if (!language.empty()) {
            plan.subfolders.push_back(language);
            into = plan.subfolders.size();
        }
        const std::string source = request.libsFolder + "\\" + language;
        plan.copies.push_back(
            FolderCopy{source, into, listingOf(source, packageFiles(files, source))});
    }
    if (request.defaultLanguage) {
        const std::string source = request.libsFolder + "\\" + *request.defaultLanguage;
        // Listed once: a default language that is also a listed language has its listing.
        std::optional<PackageListing> listed;
        for (std::size_t i = 0; i < request.languages.size(); ++i) {
            if (files.compareFileNames(request.languages[i], *request.defaultLanguage) == 0) {
                listed = plan.copies[i + 1].listing;
                break;
            }
        }
        plan.copies.push_back(FolderCopy{source, 0,
                                         listed ? std::move(*listed)
                                                : listingOf(source, packageFiles(files, source))});
    }
    return plan;
}

} // namespace velk
