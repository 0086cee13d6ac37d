#include <optional>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "app/host_suite.h"
#include "package/description_file.h"
#include "package/package_description.h"

namespace velk {

// Finds the package description in the package's "Libs" folder. A "Libs" folder that is there
// is also where a relative target path starts from, whether or not it holds a description.
bool TFormInstall::findDescriptionFile(const std::string& folder) {
    const std::string libs = folder + std::string(kLibsFolder);
    if (platform_.files.folderExists(libs)) {
        relativeFrom_ = platform_.files.fullPath(libs);
    }
    std::optional<std::string> found = velk::findDescriptionFile(platform_.files, folder);
    if (found) {
        descriptionFile = std::move(*found);
    }
    return found.has_value();
}

// Takes the package description over into the main window: the library's identity, the info
// text, the accepted host suite versions that are installed, the languages and the target kind.
bool TFormInstall::readDescription(const std::string& fileName) {
    const std::optional<PackageDescription> read =
        readPackageDescription(platform_.files, fileName);
    if (!read) {
        return false;
    }
    const PackageDescription& description = *read;

    libName = description.name;
    libVersion = description.version;
    libDistributed = description.distributed;
    libAuthor = description.author;
    logoFile = description.picture;

    MemoInfo.clear();
    for (const std::string& line : description.licence) {
        MemoInfo.add(line);
    }

    // Accepted versions that are installed, the last one in the file first. They are collected
    // in file order and handed over reversed, which gives the same lists as putting each in
    // front of the earlier ones without moving every earlier entry each time.
    acceptedVersions.clear();
    grLocation.clearItems();
    std::vector<std::string> accepted;
    const auto handOver = [&] {
        for (auto it = accepted.rbegin(); it != accepted.rend(); ++it) {
            acceptedVersions.push_back(*it);
            grLocation.addItem(hostVersionTitle(*it));
        }
    };
    try {
        for (const std::string& version : description.hostVersions) {
            std::string appsFolder;
            if (findHostLibraryFolder(platform_.registry, platform_.files, version, 3,
                                      appsFolder)) {
                accepted.push_back(version);
            }
        }
    } catch (...) {
        handOver(); // an unreadable registry value ends the reading with the versions found so far
        throw;
    }
    handOver();

    rgLang.clearItems();
    for (const std::string& language : description.offeredLanguages) {
        rgLang.addItem(language);
    }
    rgLang.setItemIndex(description.preselectedLanguage());

    targetLibKind = description.libraryKind;
    return true;
}

} // namespace velk
