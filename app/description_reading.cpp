#include "app/form_install.h"

namespace velk {

// Placeholder until the description reader lands.
bool TFormInstall::findDescriptionFile(const std::string& /*folder*/) { return false; }
bool TFormInstall::readDescription(const std::string& /*fileName*/) { return false; }

} // namespace velk
