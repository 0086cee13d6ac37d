#include <string>
#include <vector>

#include "app/form_install.h"
#include "package/install_report.h"
#include "package/work_folder.h"

namespace velk {

bool TFormInstall::finishInterruptedWork(const std::string& target) {
    FileSystem& files = platform_.files;
    std::vector<std::string> busy;
    std::vector<WorkFolder> interrupted = WorkFolder::findIn(files, target, busy);
    if (!busy.empty()) {
        platform_.boxes.error("Another installation or removal is running in the target folder. "
                              "Wait until it has ended, then try again.");
        return false;
    }
    if (interrupted.empty()) {
        return true;
    }
    FailureList notRestored;
    runWork("Finishing an interrupted installation", [&](WorkProgress& progress) {
        notRestored = recoverInterruptedWork(files, target, interrupted, progress);
    });
    if (notRestored.empty()) {
        return true;
    }
    exitCode = kExitNotRestored;
    platform_.boxes.error(notRestored.text("An interrupted installation or removal could not be "
                                           "undone: %d file(s) could not be restored."));
    return false;
}

} // namespace velk
