#include <optional>
#include <string>

#include "app/form_install.h"
#include "package/description_file.h"
#include "package/install_report.h"
#include "package/package_files.h"
#include "package/remove_transaction.h"
#include "platform/scope_exit.h"

namespace velk {

// Deletes from the folder named by eInstallDir the files named like the package's base files,
// after the user confirmed, all or nothing (package/remove_transaction.h). Language subfolders
// and files the package does not name stay. When a base file cannot be removed, or "Libs"
// cannot be listed to its end, nothing is removed and the failures are reported instead of the
// success message; a file that was already missing is no failure. Cancel, when the user is
// asked about files in use, changes nothing and leaves the window open. Removal always asks and
// reports, in an unattended run too; a quiet or passive run's deployment answers Yes.
void TFormInstall::btRemoveClick() {
    removeLibrary();
}

void TFormInstall::removeLibrary() {
    FileSystem& files = platform_.files;
    MessageBoxes& boxes = platform_.boxes;
    // The controls stay disabled from the click to the end, through the questions.
    const InputHold held(*this);
    // A run started to install tells its installation's outcome: a removal by hand after it
    // (the window stays open when the installation stopped short) does not change that.
    const int installationsCode = exitCode;
    const auto keepInstallationsCode = scopeExit([this, installationsCode] {
        if (startAction == CommandLine::Action::Install) {
            exitCode = installationsCode;
        }
    });

    const std::string libsFolder = packageFolder + std::string(kLibsFolder);
    const std::optional<std::string> usable =
        usableTarget(libsFolder, "The target folder lies in the package's own \"Libs\" folder: "
                                 "the library cannot be removed there.");
    if (!usable || !finishInterruptedWork(*usable)) {
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

    WorkOutcome outcome;
    bool waitedOut = false;
    bool cancelled = false;
    const InUseCheck inUse = inUseCheck(waitedOut, cancelled);
    runWork("Removing the library", [&](WorkProgress& progress) {
        outcome = removeInstalled(files, target, libsFolder, progress, inUse);
    });
    if (outcome.busy) {
        reportBusyTarget();
        return;
    }
    if (cancelled) {
        // The user chose to stop at the files in use: the window stays for another try.
        boxes.information("Nothing was removed.");
        return;
    }
    runLog_.removal(outcome, waitedOut);

    if (outcome.done()) {
        exitCode = kExitInstalled;
        boxes.information("Library uninstallation was successful.");
    } else {
        exitCode = waitedOut                     ? kExitFilesInUse
                   : outcome.notRestored.empty() ? kExitFailed
                                                 : kExitNotRestored;
        boxes.error(failureReport(files, outcome,
                                  "Library uninstallation failed: %d file(s) could not be deleted.",
                                  "Nothing was removed."));
    }
    close();
}

} // namespace velk
