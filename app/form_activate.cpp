#include "app/error_report.h"
#include "app/form_install.h"
#include "package/text_compare.h"

namespace velk {

// The run that the command line or the unattended-install key asked for: at the first activation
// only. The key's target is set before its language (whose location may then replace it, as the
// key's runs always did); the command line's /dir names the target whatever the language.
void TFormInstall::FormActivate() {
    if (activatedOnce) {
        return;
    }
    activatedOnce = true;
    if (startTarget && !commandLine.dir) {
        eInstallDir.setText(*startTarget);
    }
    // Every match is selected in turn, so the last matching item ends up selected.
    const auto& items = rgLang.items();
    if (startLanguage) {
        bool offered = false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (sameTextAscii(items[i], *startLanguage)) {
                rgLang.setItemIndex(static_cast<int>(i));
                offered = true;
            }
        }
        // The key's language that the package does not offer leaves the description's, as the
        // key's runs always did (a command line's was refused at start-up).
        if (!offered && !startLanguage->empty()) {
            runLog_.write("The unattended-install key's Language \"" + *startLanguage +
                          "\" names no language of the package: the description's default "
                          "language stays selected");
        }
    }
    if (commandLine.dir) {
        eInstallDir.setText(*commandLine.dir);
    }
    if (!unattended()) {
        return;
    }
    const bool removal = startAction == CommandLine::Action::Remove;
    const int language = rgLang.itemIndex();
    runLog_.write((removal ? "Unattended removal from \"" : "Unattended installation into \"") +
                  eInstallDir.text() + "\"" +
                  (!startTarget || eInstallDir.text() == *startTarget
                       ? ""
                       : " (the selected location's folder)") +
                  (removal ? ""
                   : language >= 0 && language < static_cast<int>(items.size())
                       ? ", default language \"" + items[language] + "\""
                       : ", no default language"));
    // Nobody at the desktop can answer a box or close the window: a run that stops short of its
    // end, or with an error, ends the program once its box is logged.
    runReportingErrors(platform_.boxes, [this, removal] {
        if (removal) {
            removeLibrary();
        } else {
            installLibrary();
        }
    });
    if (!closed() && !platform_.boxes.seen()) {
        runLog_.write(commandLine.unattended()
                          ? "A quiet or passive run closes by itself: the program ends"
                          : "Nobody at the desktop can close the window: the program ends");
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
