#pragma once
// The findings that the logo gives: the picture that [About] "Picture" names, beside the program.

#include <string>
#include <vector>

#include "velkcheck/description.h"
#include "velkcheck/findings.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

// Checks the logo of the package in `folder` (listed as `rootEntries`) that the description at
// `descriptionPath` names.
void checkLogo(const std::string& folder, const std::vector<Entry>& rootEntries,
               const Description& description, const std::string& descriptionPath,
               Findings& findings);

} // namespace velk::check
