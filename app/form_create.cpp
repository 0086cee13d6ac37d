#include <algorithm>
#include <cctype>
#include <exception>

#include "app/form_install.h"
#include "app/host_suite.h"
#include "package/description_file.h"
#include "package/package_rules.h"
#include "package/text_compare.h"
#include "platform/app_error.h"

namespace velk {

namespace {

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

    // Only an unattended run works without anybody at the desktop, who alone could use the
    // window: without one the program ends at once.
    const bool anybodyThere = platform_.boxes.seen();
    const auto endUnlessUnattended = [&] {
        if (silentMode || anybodyThere) {
            return false;
        }
        runLog_.write("No unattended run, and nobody at the desktop can use the window: the "
                      "program ends");
        exitCode = kExitNotInstalled;
        close();
        return true;
    };
    // Settings left for an unattended run that cannot be read make a run that did not install.
    exitCode = kExitNotInstalled;
    try {
        readUnattendedSettings();
    } catch (const std::exception&) {
        runLog_.start(platform_.files.programFolder(), anybodyThere);
        endUnlessUnattended();
        throw; // the general error report, logged
    }
    // An unattended run has installed nothing until an installation runs to its end.
    exitCode = silentMode ? kExitNotInstalled : kExitInstalled;
    if (silentMode || !anybodyThere) {
        runLog_.start(platform_.files.programFolder(), anybodyThere);
    }
    if (endUnlessUnattended()) {
        return;
    }

    packageFolder = platform_.files.programFolder();
    findDescriptionFile(packageFolder);
    readDescription(descriptionFile.empty() ? std::string()
                                            : packageFolder + "Libs\\" + descriptionFile);
    runLog_.write(descriptionFile.empty()
                      ? "No package description in " + packageFolder + std::string(kLibsFolder)
                      : "Library " + libName + " " + libVersion + ", described in " +
                            packageFolder + std::string(kLibsFolder) + "\\" + descriptionFile);

    lLibName.setText(libName);
    lLibVersion.setText(libVersion);
    lLibDistributed.setText(libDistributed);
    lLibAuthor.setText(libAuthor);

    btReadme.setEnabled(platform_.files.fileExists(readmePath(packageFolder)));

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
    // Where the log goes is read first, so that a run whose other settings cannot be read logs that
    // where it was asked to. Every value read goes to the log.
    runLog_.readSetting(*key, "Log");
    silentPath = runLog_.readSetting(*key, "Path");
    silentLanguage = runLog_.readSetting(*key, "Language");
    silentMode = sameTextAscii(runLog_.readSetting(*key, "Silent"), "activated");
    // How long files in use are waited for, in whole seconds; anything else keeps the default.
    const std::string wait = runLog_.readSetting(*key, "WaitInUse");
    if (!wait.empty() && wait.size() <= 5 &&
        wait.find_first_not_of("0123456789") == std::string::npos) {
        inUseWaitSeconds = std::stoi(wait);
    }
}

} // namespace velk
