#pragma once
// The findings that the package description alone gives: its sections and keys, the host suite
// versions it accepts and its languages.

#include <string>
#include <vector>

#include "velkcheck/description.h"
#include "velkcheck/findings.h"

namespace velk::check {

// A language that installation copies from a folder of its own, with the line that lists it.
struct ListedLanguage {
    std::string key; // "Lang0" ...
    std::string name;
    int line = 0;
};

// Checks the description at `path` (the path findings name).
void checkDescription(const Description& description, const std::string& path, Findings& findings);

// The languages whose folders installation copies: "Lang0" to "Lang<Count - 1>" that are given,
// not empty and not refused, in listing order.
std::vector<ListedLanguage> listedLanguages(const Description& description);

} // namespace velk::check
