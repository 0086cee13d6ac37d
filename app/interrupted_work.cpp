#include <string>
#include <vector>

#include "app/form_install.h"
#include "package/install_report.h"
#include "package/transaction.h"

namespace velk {

bool TFormInstall::finishInterruptedWork(const std::string& target) {
    FileSystem& files = platform_.files;
    WorkFolder::Earlier earlier = WorkFolder::findIn(files, target);
    if (!earlier.untrusted.empty()) {
        platform_.boxes.error(
            "The folder \"" + earlier.untrusted.front() +
            "\" cannot be used: it is named as the work folder of an interrupted installation or "
            "removal, but this program cannot have left it as it is. Nothing was changed.\rIt can "
            "be deleted when no installation or removal is running in the target folder.");
        return false;
    }
    if (!earlier.busy.empty()) {
        reportBusyTarget();
        return false;
    }
    std::vector<WorkFolder>& interrupted = earlier.interrupted;
    if (interrupted.empty()) {
        return true;
    }
    FailureList notRestored;
    std::vector<std::string> recovered; // what was done, for the log once the work has ended
    runWork("Finishing an interrupted installation", [&](WorkProgress& progress) {
        notRestored = recoverInterruptedWork(
            files, target, interrupted, progress,
            [&recovered](const std::string& said) { recovered.push_back(said); });
    });
    for (const std::string& said : recovered) {
        runLog_.write(said);
    }
    if (notRestored.empty()) {
        return true;
    }
    exitCode = kExitNotRestored;
    platform_.boxes.error(notRestored.text("An interrupted installation or removal could not be "
                                           "undone: %d file(s) could not be restored."));
    return false;
}

void TFormInstall::reportBusyTarget() {
    if (unattended()) {
        exitCode = kExitAnotherRun; // a deployment tool tries again later
    }
    platform_.boxes.error("Another installation or removal is running in the target folder. "
                          "Wait until it has ended, then try again.");
}

} // namespace velk
