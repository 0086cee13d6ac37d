#pragma once
// Checks a library package the way the installer will take it, without changing anything.

#include <string>

#include "velkcheck/findings.h"

namespace velk::check {

// Every finding for the package in `folder` (which exists), sorted by path and line. Paths in
// the findings are `folder` joined with the path inside the package.
Findings checkPackage(const std::string& folder);

} // namespace velk::check
