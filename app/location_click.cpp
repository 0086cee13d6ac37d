#include "app/form_install.h"
#include "app/host_suite.h"

namespace velk {

// Keeps the target folder in step with the selected location: runs whenever the selection of
// the location or of the language group changes.
void TFormInstall::grLocationClick() {
    const int index = grLocation.itemIndex();
    if (index < 0 || index >= static_cast<int>(acceptedVersions.size())) {
        return;
    }
    std::string folder;
    if (findHostLibraryFolder(platform_.registry, platform_.files,
                              acceptedVersions[static_cast<std::size_t>(index)], targetLibKind,
                              folder)) {
        eInstallDir.setText(folder);
    }
}

} // namespace velk
