#pragma once
// The findings that the package's folders give: names that Windows cannot create or takes for one,
// links that lead out of the package, files that are never installed or cannot be read, the
// language folders against the description, and files that installation would copy where a
// language's folder goes.

#include <string>
#include <string_view>
#include <vector>

#include "velkcheck/description.h"
#include "velkcheck/findings.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

// The entry named `name` as Windows finds it (letter case ignored); an entry of exactly that
// name first, where two differ only in case.
const Entry* findEntry(const std::vector<Entry>& entries, std::string_view name);

// The names of a folder's entries: names Windows cannot create (errors), names it takes for one,
// names that are not UTF-8.
void checkNames(const std::string& folder, const std::vector<Entry>& entries, Findings& findings);

// The entries of a folder that are links leading out of the package, whose own place is
// `packagePlace` (finalPath of the package folder): the installer copies nothing through them.
// Links that stay in the package, and links that lead nowhere, are not reported here.
void checkLinks(const std::string& packagePlace, const std::string& folder,
                const std::vector<Entry>& entries, Findings& findings);

// A folder whose files installation copies, in the package whose place is `packagePlace`: its
// names, its links, entries named like the installer's work folder (which the installer refuses),
// its empty files (never installed) and its files that cannot be read.
void checkInstalledFiles(const std::string& packagePlace, const std::string& folder,
                         const std::vector<Entry>& entries, Findings& findings);

// The folders of "Libs" (at `libsPath`, listed as `libsEntries`) against the description at
// `descriptionPath`: each listed language's folder and each folder of a language that may be the
// default, checked once; listed languages without a folder, folders that nothing installs, and
// files that installation copies into the target folder under the name of a language's folder.
void checkLanguageFolders(const std::string& packagePlace, const std::string& libsPath,
                          const std::vector<Entry>& libsEntries, const Description& description,
                          const std::string& descriptionPath, Findings& findings);

} // namespace velk::check
