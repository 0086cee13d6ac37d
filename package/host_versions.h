#pragma once
// The host suite versions a package can accept, as the description names them in [Dorvan]
// ("Dorvan5_11" ...), and where the registry records each installed one.

#include <string>
#include <vector>

namespace velk {

// The version keys whose installation records its folders ("Dorvan5_11" ...).
std::vector<std::string> hostVersionKeys();

// The registry key (below HKLM) where the version's installation records its folders, matched
// ignoring the case of the letters A to Z; nullptr for a version that records none.
const char* hostVersionRegistryKey(const std::string& versionKey);

// The title under which a version key is shown in the location list.
std::string hostVersionTitle(const std::string& versionKey);

} // namespace velk
