#pragma once
// The names a work folder of an installation or removal may have ("~VelkInstall.work",
// "~VelkInstall2.work", ...). They are reserved: a package that carries an entry of such a name
// would plant what a later run takes for interrupted work, so it is refused.

#include <string>
#include <string_view>

namespace velk {

// A search pattern that finds every name a work folder may have (and others, which
// isWorkFolderName tells apart).
inline constexpr std::string_view kWorkFolderPattern = "~VelkInstall*.work";

// The work folder's name with `number` (1 for the first, which has no digits).
std::string workFolderName(int number);
// The number in a work folder's name (1 for "~VelkInstall.work"), or 0 for any other name.
int workFolderNumber(std::string_view name);
// True for a name the work folder may have, in any letter case: "~VelkInstall", digits or none,
// ".work".
bool isWorkFolderName(std::string_view name);

} // namespace velk
