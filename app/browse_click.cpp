#include "app/form_install.h"

namespace velk {

// Placeholder until the folder picker lands.
void TFormInstall::btBrowseClick() {}

} // namespace velk
