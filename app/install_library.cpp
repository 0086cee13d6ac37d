#include "app/form_install.h"

namespace velk {

void TFormInstall::btInstallClick() { installLibrary(); }

// Placeholder until installation lands.
void TFormInstall::installLibrary() {}

} // namespace velk
