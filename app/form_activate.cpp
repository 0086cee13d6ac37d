#include "app/form_install.h"
#include "package/text_compare.h"

namespace velk {

// The unattended run: at the first activation only, and only when the unattended-install key
// asked for it.
void TFormInstall::FormActivate() {
    if (activatedOnce) {
        return;
    }
    activatedOnce = true;
    if (!silentMode) {
        return;
    }
    eInstallDir.setText(silentPath);
    // Every match is selected in turn, so the last matching item ends up selected.
    const auto& items = rgLang.items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (sameTextAscii(items[i], silentLanguage)) {
            rgLang.setItemIndex(static_cast<int>(i));
        }
    }
    installLibrary();
}

void TFormInstall::btExitClick() {
    close();
}

// Closing the main window ends the program; nothing to add here.
void TFormInstall::FormClose() {}

void TFormInstall::FormDestroy() {
    acceptedVersions.clear();
}

} // namespace velk
