#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/form_install.h"
#include "package/copy_plan.h"
#include "package/ini_file.h"
#include "package/install_report.h"
#include "package/package_files.h"
#include "package/package_rules.h"

namespace velk {

namespace {

// The languages the description lists in [Languages], "Lang0" to "Lang<Count - 1>" with a
// missing key reading as "", each distinct name (compared as file names) once, at its first
// listing. Only the keys present are visited, so a huge Count costs nothing.
std::vector<std::string> distinctLanguages(FileSystem& files, const IniFile& description) {
    const int count = description.readInteger("Languages", "Count", 0);
    std::vector<std::string> listed; // in listing order, a run of missing keys as one ""
    int next = 0;
    for (auto& [index, name] : description.numberedValues("Languages", "Lang", count)) {
        if (index > next) {
            listed.emplace_back();
        }
        listed.push_back(std::move(name));
        next = index + 1;
    }
    if (next < count) {
        listed.emplace_back();
    }

    const auto before = [&files](const std::string& a, const std::string& b) {
        return files.compareFileNames(a, b) < 0;
    };
    std::set<std::string, decltype(before)> seen(before);
    std::vector<std::string> distinct;
    for (std::string& name : listed) {
        if (seen.insert(name).second) {
            distinct.push_back(std::move(name));
        }
    }
    return distinct;
}

} // namespace

void TFormInstall::btInstallClick() {
    installLibrary();
}

// Copies the package's files into the folder named by eInstallDir: the base files of "Libs", each
// listed language's folder into a subfolder of that name, then the default language's files over
// the base files. Everything the user is asked comes before the first copy. Copies that fail, and
// package folders that cannot be listed, are counted and reported at the end instead of the
// success message; the window closes either way.
void TFormInstall::installLibrary() {
    FileSystem& files = platform_.files;
    MessageBoxes& boxes = platform_.boxes;

    const std::string libsFolder = packageFolder + "Libs";
    const std::optional<std::string> usable =
        usableTarget(libsFolder, "The target folder lies in the package's own \"Libs\" folder: "
                                 "the library cannot be installed there.");
    if (!usable) {
        return;
    }
    const std::string& target = *usable;

    // The language list is read once, so that the names checked here are the names installed
    // below. A name that would reach outside the target or the package stops everything. A name
    // listed again (in any letter case) is one folder, installed once: the first bad name of the
    // listing is the first bad one here too, since its other spellings are just as bad.
    const IniFile description = IniFile::read(files, libsFolder + "\\" + descriptionFile);
    const std::vector<std::string> languages = distinctLanguages(files, description);
    for (const std::string& language : languages) {
        if (leavesItsFolder(language)) {
            boxes.error("Invalid language name \"" + language + "\" in the package description.");
            return;
        }
    }

    // Questions. The base files are listed once and the listing serves the copying too.
    std::optional<PackageListing> baseFiles;
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
            for (const DirEntry& entry : baseFiles->files) {
                if (files.fileExists(target + "\\" + entry.name) &&
                    !boxes.confirm("File " + entry.name +
                                   " is already exists in the target directory!" +
                                   "\rDo you want to continue ?")) {
                    return;
                }
            }
        }
    }

    // The default language is read here: the work below must not touch the controls. With no
    // language selected there is no default language to copy.
    const int selected = rgLang.itemIndex();
    const bool hasDefault = selected >= 0 && selected < static_cast<int>(rgLang.items().size());
    const std::string defaultSource =
        hasDefault ? libsFolder + "\\" + rgLang.items()[selected] : std::string();

    FailureList failures;
    std::size_t copied = 0;
    runWork("Installing the library", [&](WorkProgress& progress) {
        // What goes where, in copying order: the base files, every listed language into its own
        // subfolder, then the default language into the target itself, over the base files of
        // the same name.
        CopyPlan plan{target, descriptionFile, {}};
        plan.folders.push_back(
            FolderCopy{libsFolder, target, false, false,
                       baseFiles ? std::move(*baseFiles) : packageFiles(files, libsFolder)});
        for (const std::string& language : languages) {
            const std::string languageSource = libsFolder + "\\" + language;
            plan.folders.push_back(FolderCopy{languageSource, target + "\\" + language, true,
                                              !language.empty(),
                                              packageFiles(files, languageSource)});
        }
        if (hasDefault) {
            plan.folders.push_back(FolderCopy{defaultSource, target, false, false,
                                              packageFiles(files, defaultSource)});
        }

        // The copying. A language folder that cannot be created makes its copies fail, and they
        // are counted like any other failure.
        failures = copyPlanned(files, plan, progress);
        copied = copiedFiles(plan, failures);
    });
    runLog_.installation(copied, failures);

    exitCode = failures.empty() ? 0 : 1;
    if (!failures.empty()) {
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
