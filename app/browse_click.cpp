#include "app/form_install.h"
#include "dialogs/directory_form.h"

namespace velk {

// Lets the user pick the target folder in the folder picker. Only OK takes the picker's text
// over, exactly as it stands; the location and language selections stay untouched.
void TFormInstall::btBrowseClick() {
    if (directoryForm_ == nullptr) {
        return;
    }
    TDirectoryForm& picker = *directoryForm_;
    picker.lFOlder.setText("Installation directory");
    picker.SetFolder(eInstallDir.text(), relativeFrom_);
    if (picker.showModal() == ModalResult::Ok) {
        eInstallDir.setText(picker.eFolder.text());
    }
}

} // namespace velk
