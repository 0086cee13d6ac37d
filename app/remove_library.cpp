#include "app/form_install.h"

namespace velk {

// Placeholder until removal lands.
void TFormInstall::btRemoveClick() {}

} // namespace velk
