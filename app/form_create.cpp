#include <algorithm>
#include <cctype>

#include "app/form_install.h"
#include "app/host_suite.h"
#include "package/package_rules.h"
#include "package/text_compare.h"
#include "platform/app_error.h"

namespace velk {

namespace {

const char* const kUnattendedKey = "Software\\Velk-Marden\\dorvan5\\1.4\\Installer";

// The picture types the logo box can show, chosen by the file's extension.
void checkPictureType(const std::string& path) {
    const std::string extension = extensionOf(path);
    if (!isShownPictureType(extension)) {
        throw AppError("Cannot show the logo \"" + path + "\": pictures of type \"" + extension +
                       "\" are not supported (use .bmp, .ico, .emf or .wmf)");
    }
}

} // namespace

void TFormInstall::FormCreate() {
    acceptedVersions.clear();
    activatedOnce = false;
    readUnattendedSettings();
    // An unattended run has installed nothing until an installation runs to its end.
    exitCode = silentMode ? kExitNotInstalled : 0;
    packageFolder = platform_.files.programFolder();
    findDescriptionFile(packageFolder);
    readDescription(descriptionFile);

    lLibName.setText(libName);
    lLibVersion.setText(libVersion);
    lLibDistributed.setText(libDistributed);
    lLibAuthor.setText(libAuthor);

    btReadme.setEnabled(platform_.files.fileExists(packageFolder + "libs\\readme.txt"));

    const std::string logoPath = packageFolder + fileNamePart(logoFile);
    if (platform_.files.fileExists(logoPath)) {
        checkPictureType(logoPath);
        ImLogo.setFileName(logoPath);
    }

    if (!grLocation.items().empty()) {
        grLocation.setItemIndex(0);
    }

    if (acceptedVersions.empty()) {
        platform_.boxes.error("Accepted Dorvan5 version is not installed.");
        grLocation.setEnabled(false);
        btInstall.setEnabled(false);
        btRemove.setEnabled(false);
    } else {
        std::string folder;
        if (findHostLibraryFolder(platform_.registry, platform_.files, acceptedVersions[0],
                                  targetLibKind, folder)) {
            eInstallDir.setText(folder);
        }
    }
}

void TFormInstall::readUnattendedSettings() {
    auto key = platform_.registry.openLocalMachine(kUnattendedKey);
    if (!key) {
        return;
    }
    silentPath = key->readString("Path");
    silentLanguage = key->readString("Language");
    silentMode = sameTextAscii(key->readString("Silent"), "activated");
}

} // namespace velk
