#include "app/error_report.h"
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
    const int language = rgLang.itemIndex();
    runLog_.write("Unattended installation into \"" + eInstallDir.text() + "\"" +
                  (eInstallDir.text() == silentPath ? "" : " (the selected location's folder)") +
                  (language >= 0 && language < static_cast<int>(items.size())
                       ? ", default language \"" + items[language] + "\""
                       : ", no default language"));
    // Nobody at the desktop can answer a box or close the window: a run that stops short of its
    // end, or with an error, ends the program once its box is logged.
    runReportingErrors(platform_.boxes, [this] { installLibrary(); });
    if (!closed() && !platform_.boxes.seen()) {
        runLog_.write("Nobody at the desktop can close the window: the program ends");
        close();
    }
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
