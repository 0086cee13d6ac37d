#include "app/form_install.h"

namespace velk {

// Placeholder until the file list lands.
void TFormInstall::btFileListClick() {}

} // namespace velk
