#include <optional>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "package/install_report.h"
#include "package/leftovers.h"
#include "package/package_files.h"

namespace velk {

// Deletes from the folder named by eInstallDir the files named like the package's base files,
// after the user confirmed. Language subfolders and files the package does not name stay. A base
// file that is still there after its deletion failed, and a "Libs" folder that could not be listed
// to its end, are reported at the end instead of the success message; a file that was already
// missing is not. Removal always asks and reports, in an unattended run too.
void TFormInstall::btRemoveClick() {
    FileSystem& files = platform_.files;
    MessageBoxes& boxes = platform_.boxes;

    const std::string libsFolder = packageFolder + "Libs";
    const std::optional<std::string> usable =
        usableTarget(libsFolder, "The target folder lies in the package's own \"Libs\" folder: "
                                 "the library cannot be removed there.");
    if (!usable) {
        return;
    }
    const std::string& target = *usable;
    const std::string installedDescription = target + "\\" + descriptionFile;
    if (!files.fileExists(installedDescription)) {
        boxes.error("Library is not installed in the target directory!");
        return;
    }
    const std::string title = installedTitle(files, installedDescription);
    if (!boxes.confirm("Library " + title + " is already installed in the target directory!" +
                       "\rDo you want to remove the library " + libName + " " + libVersion +
                       " ?")) {
        return;
    }

    FailureList failures;
    runWork("Removing the library", [&](WorkProgress& progress) {
        // Temporary files that a killed installation left behind go too.
        deleteLeftovers(files, target, [&] { return allPackageFileNames(files, libsFolder); });
        const PackageListing baseFiles = packageFiles(files, libsFolder);
        if (!baseFiles.complete) {
            failures.add(libsFolder); // the files it did list are still deleted
        }
        progress.setTotal(baseFiles.files.size());
        for (const DirEntry& entry : baseFiles.files) {
            const std::string path = target + "\\" + entry.name;
            if (!files.deleteFile(path) && files.fileExists(path)) {
                failures.add(path);
            }
            progress.step();
        }
    });
    runLog_.removal(failures);

    if (failures.empty()) {
        boxes.information("Library uninstallation was successful.");
    } else {
        exitCode = 1;
        boxes.error(
            failures.text("Library uninstallation failed: %d file(s) could not be deleted."));
    }
    close();
}

} // namespace velk
