#pragma once
// The names a work folder of an installation or removal may have ("~VelkInstall.work",
// "~VelkInstall2.work", ...). They are reserved: a package that carries an entry of such a name,
// in any form Windows takes for it, would plant what a later run takes for interrupted work (or
// have the run write into its own work folder), so it is refused.

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

// True for a name that a package may not put into a target: one that Windows makes into a work
// folder's name (trailing dots and blanks dropped, any letter case: "~VelkInstall2.work."), or a
// short (8.3) name that a work folder may have, by which Windows opens that folder: the six first
// letters and a number ("~VELKI~1.WOR"), two letters, a hash and a number ("~V1A2B~1.WOR"), or
// Wine's four letters and a hash ("~VEL~K3B.WOR").
bool isReservedName(std::string_view name);

} // namespace velk
