#include <string>
#include <vector>

#include "app/form_install.h"
#include "app/ini_file.h"
#include "app/install_report.h"
#include "dialogs/package_files.h"

namespace velk {

namespace {

// A language name becomes a folder name below the target and below "Libs": it must name exactly
// one folder level there, so no separator, no drive colon and no "." or "..". The empty name is
// allowed: it names the folder itself.
bool leavesItsFolder(const std::string& language) {
    return language.find_first_of("\\/:") != std::string::npos || language == "." ||
           language == "..";
}

std::string languageKey(int index) {
    return "Lang" + std::to_string(index);
}

} // namespace

bool TFormInstall::targetAndPackageExist(const std::string& target, const std::string& libsFolder) {
    if (!platform_.files.folderExists(target)) {
        platform_.boxes.error("Target Path not exist, cannot be installed.");
        return false;
    }
    return platform_.files.folderExists(libsFolder);
}

void TFormInstall::btInstallClick() {
    installLibrary();
}

// Copies the package's files into the folder named by eInstallDir: the base files of "Libs", each
// listed language's folder into a subfolder of that name, then the default language's files over
// the base files. Everything the user is asked comes before the first copy. Copies that fail are
// counted and reported at the end instead of the success message; the window closes either way.
void TFormInstall::installLibrary() {
    FileSystem& files = platform_.files;
    MessageBoxes& boxes = platform_.boxes;

    const std::string target = eInstallDir.text();
    const std::string libsFolder = packageFolder + "Libs";
    if (!targetAndPackageExist(target, libsFolder)) {
        return;
    }

    // The language list is read once, so that the names checked here are the names installed
    // below. A name that would reach outside the target or the package stops everything.
    const IniFile description = IniFile::read(files, libsFolder + "\\" + descriptionFile);
    const int languageCount = description.readInteger("Languages", "Count", 0);
    for (int i = 0; i < languageCount; ++i) {
        const std::string language = description.readString("Languages", languageKey(i), "");
        if (leavesItsFolder(language)) {
            boxes.error("Invalid language name \"" + language + "\" in the package description.");
            return;
        }
    }

    // Questions. The base files are listed once and the list serves the copying too.
    std::vector<DirEntry> baseFiles;
    bool baseFilesListed = false;
    if (!silentMode) {
        const std::string installedDescription = target + "\\" + descriptionFile;
        if (files.fileExists(installedDescription)) {
            const std::string title = installedTitle(files, installedDescription);
            if (!boxes.confirm(
                    "Library " + title + " is already installed in the target directory!" +
                    "\rDo you want to install the library " + libName + " " + libVersion + " ?")) {
                return;
            }
        } else {
            baseFiles = packageFiles(files, libsFolder);
            baseFilesListed = true;
            for (const DirEntry& entry : baseFiles) {
                if (files.fileExists(target + "\\" + entry.name) &&
                    !boxes.confirm("File " + entry.name +
                                   " is already exists in the target directory!" +
                                   "\rDo you want to continue ?")) {
                    return;
                }
            }
        }
    }

    FailureList failures;
    auto copyFiles = [&](const std::string& fromFolder, const std::vector<DirEntry>& entries,
                         const std::string& toFolder) {
        for (const DirEntry& entry : entries) {
            const std::string to = toFolder + "\\" + entry.name;
            if (!files.copyFile(fromFolder + "\\" + entry.name, to)) {
                failures.add(to);
            }
        }
    };

    // Base files.
    if (!baseFilesListed) {
        baseFiles = packageFiles(files, libsFolder);
    }
    copyFiles(libsFolder, baseFiles, target);
    std::vector<DirEntry>().swap(baseFiles);

    // Every listed language into its own subfolder. A folder that cannot be created makes its
    // copies fail, and they are counted like any other.
    for (int i = 0; i < languageCount; ++i) {
        const std::string language = description.readString("Languages", languageKey(i), "");
        const std::string languageTarget = target + "\\" + language;
        if (!files.folderExists(languageTarget)) {
            files.createFolder(languageTarget);
        }
        const std::string languageSource = libsFolder + "\\" + language;
        copyFiles(languageSource, packageFiles(files, languageSource), languageTarget);
    }

    // The default language into the target itself, over the base files of the same name. With
    // no language selected there is nothing to copy.
    const int selected = rgLang.itemIndex();
    if (selected >= 0 && selected < static_cast<int>(rgLang.items().size())) {
        const std::string languageSource = libsFolder + "\\" + rgLang.items()[selected];
        copyFiles(languageSource, packageFiles(files, languageSource), target);
    }

    if (!failures.empty()) {
        exitCode = 1;
        if (!silentMode) {
            boxes.error(
                failures.text("Library installation failed: %d file(s) could not be copied."));
        }
    } else if (!silentMode) {
        boxes.information("Library installation was successful.");
    }
    close();
}

} // namespace velk
