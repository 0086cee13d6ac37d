#include "app/form_install.h"

namespace velk {

// Placeholder until the document opener lands.
void TFormInstall::btReadmeClick() {}

} // namespace velk
