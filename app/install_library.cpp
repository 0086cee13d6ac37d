#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/form_install.h"
#include "package/copy_plan.h"
#include "package/description_file.h"
#include "package/folder_names.h"
#include "package/ini_file.h"
#include "package/install_report.h"
#include "package/install_transaction.h"
#include "package/package_description.h"
#include "package/package_files.h"
#include "package/package_rules.h"
#include "platform/long_path.h"

namespace velk {

void TFormInstall::btInstallClick() {
    installLibrary();
}

// Installs the package into the folder named by eInstallDir, all or nothing: the base files of
// "Libs", each listed language's folder into a subfolder of that name, then the default
// language's files over the base files (package/copy_plan.h). Everything the user is asked
// comes before the work. When anything fails, the target is left as it was and the failures are
// reported instead of the success message; the window closes either way, unless the user
// chose Cancel when asked about files in use.
void TFormInstall::installLibrary() {
    FileSystem& files = platform_.files;
    MessageBoxes& boxes = platform_.boxes;
    // The controls stay disabled from the click to the end, through the questions: enabling
    // and disabling them between the steps would repaint them while the window should answer.
    const InputHold held(*this);

    const std::string libsFolder = packageFolder + std::string(kLibsFolder);
    const std::optional<std::string> usable =
        usableTarget(libsFolder, "The target folder lies in the package's own \"Libs\" folder: "
                                 "the library cannot be installed there.");
    if (!usable) {
        return;
    }
    if (descriptionFile.empty()) {
        boxes.error("The package holds no library description (a .lin file in its \"Libs\" "
                    "folder): nothing can be installed.");
        return;
    }
    if (!finishInterruptedWork(*usable)) {
        return;
    }
    const std::string& target = *usable;

    // The language list is read once, so that the names checked here are the names installed
    // below. A name that would reach outside the target or the package stops everything. A name
    // listed again (in any letter case) is one folder, installed once: the first bad name of the
    // listing is the first bad one here too, since its other spellings are just as bad.
    const std::vector<std::string> languages = plannedLanguages(
        files, PackageDescription::from(IniFile::read(files, libsFolder + "\\" + descriptionFile)));
    for (const std::string& language : languages) {
        if (leavesItsFolder(language)) {
            boxes.error("Invalid language name \"" + language + "\" in the package description.");
            return;
        }
    }

    // Questions.
    const std::string installedDescription = target + "\\" + descriptionFile;
    const bool installedBefore = files.fileExists(installedDescription);
    if (!silentMode) {
        if (installedBefore) {
            const std::string title = installedTitle(files, installedDescription);
            if (!boxes.confirm(
                    "Library " + title + " is already installed in the target directory!" +
                    "\rDo you want to install the library " + libName + " " + libVersion + " ?")) {
                return;
            }
        } else {
            // Looking for thousands of files must not hold up the window: it runs as long work,
            // and the questions follow in the files' order.
            std::vector<std::string> existing;
            runWork("Installing the library", [&](WorkProgress&) {
                // Only names are asked about here: whether a file is a link that leads out of
                // the package is looked at once, when the work walks the folder. The target is
                // read once, and only a name it may hold is asked for.
                FsResult listed;
                const FolderNames there = FolderNames::read(files, target, listed);
                eachPackageFile(
                    files, packageFolder, libsFolder,
                    [&](const DirEntry& entry) {
                        // A device's name names no file there (nor is it installed).
                        if (deviceName(entry.name).empty() && there.mayHold(entry.name) &&
                            files.fileExists(target + "\\" + entry.name)) {
                            existing.push_back(entry.name);
                        }
                    },
                    false);
            });
            for (const std::string& name : existing) {
                if (!boxes.confirm("File " + name + " is already exists in the target directory!" +
                                   "\rDo you want to continue ?")) {
                    return;
                }
            }
        }
    }

    // The default language is read here: the work below must not touch the controls. With no
    // language selected there is no default language to copy.
    InstallRequest request{libsFolder, target, descriptionFile, languages, std::nullopt};
    const int selected = rgLang.itemIndex();
    if (selected >= 0 && selected < static_cast<int>(rgLang.items().size())) {
        request.defaultLanguage = rgLang.items()[selected];
    }

    WorkOutcome outcome;
    std::optional<std::string> reserved;
    bool waitedOut = false;
    bool cancelled = false;
    const InUseCheck inUse = inUseCheck(waitedOut, cancelled);
    runWork("Installing the library", [&](WorkProgress& progress) {
        const CopyPlan plan = planInstallation(request);
        CopyPlan::NameCheck names = plan.checkNames(files);
        reserved = std::move(names.reserved);
        if (reserved) {
            return;
        }
        // A file that Windows cannot make fails as a copy does, and nothing is installed; it is
        // never opened (it would be the device).
        for (const std::string& place : names.devices) {
            outcome.failures.add(place, kErrorInvalidName);
        }
        if (outcome.failures.empty()) {
            outcome = installPlanned(files, plan, progress, inUse);
        }
    });
    if (reserved) {
        boxes.error("The package holds \"" + *reserved +
                    "\", named as the work folder of an installation or removal, which no "
                    "package may hold: nothing was installed.");
        return;
    }
    if (outcome.busy) {
        reportBusyTarget();
        return;
    }
    const char* const nothingChanged =
        installedBefore ? "Nothing was changed: the library installed before is as it was."
                        : "Nothing was installed.";
    if (cancelled) {
        // The user chose to stop at the files in use: nothing failed, and the window stays for
        // another try once the programs have let go of them.
        boxes.information(nothingChanged);
        return;
    }
    runLog_.installation(outcome, waitedOut);

    if (outcome.done()) {
        exitCode = kExitInstalled;
        if (!silentMode) {
            boxes.information("Library installation was successful.");
        }
    } else {
        exitCode = waitedOut                     ? kExitFilesInUse
                   : outcome.notRestored.empty() ? kExitFailed
                                                 : kExitNotRestored;
        if (!silentMode) {
            boxes.error(failureReport(
                files, outcome, "Library installation failed: %d file(s) could not be copied.",
                nothingChanged));
        }
    }
    close();
}

} // namespace velk
