#include "app/form_install.h"
#include "dialogs/form_files.h"

namespace velk {

// Refills the file list from the package folder as it is now, then shows it modally; how it
// was closed does not matter.
void TFormInstall::btFileListClick() {
    if (formFiles_ == nullptr) {
        return;
    }
    formFiles_->fillFileList(packageFolder);
    formFiles_->showModal();
}

} // namespace velk
