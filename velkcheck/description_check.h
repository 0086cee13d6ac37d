#pragma once
// The findings that the package description alone gives: its sections and keys, the host suite
// versions it accepts and its languages.

#include <string>
#include <vector>

#include "velkcheck/description.h"
#include "velkcheck/findings.h"

namespace velk::check {

// Checks the description at `path` (the path findings name).
void checkDescription(const Description& description, const std::string& path, Findings& findings);

} // namespace velk::check
