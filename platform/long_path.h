#pragma once
// Full and extended forms of Windows paths, computed without asking the system.
//
// Windows refuses the plain form of a path of 260 characters or more (MAX_PATH; 248 for a
// folder to be created) unless long paths are enabled on the machine and in the program. The
// extended form ("\\?\C:\...", "\\?\UNC\server\share\...") has no such limit, but Windows takes
// it literally: it must be a full path, with "\" only and no "." or ".." left. These functions
// make it the way the system would resolve the plain form, so that both name the same file:
//
//   fullPath("..\\b\\.\\c", "C:\\x\\a")     == "C:\\x\\b\\c"
//   extendedPath("d", "C:\\x")             == "\\\\?\\C:\\x\\d"
//   extendedPath("\\\\srv\\share\\d", "")  == "\\\\?\\UNC\\srv\\share\\d"
//
// Rules, as Windows applies them to the plain form:
//   - "/" counts as "\", and runs of separators count as one (after the "\\" of a network path);
//   - a relative path is resolved against `currentFolder`; "\x" against the root of its drive
//     or share; "D:x" against `currentFolder` when that lies on drive D:, else against "D:\"
//     (the system's separate current folder of another drive is not consulted);
//   - "." is dropped; ".." drops the name before it, never the drive or the share ("C:\.." is
//     "C:\"); a name ending in one "." loses it, and the last name loses its trailing dots and
//     spaces;
//   - a path that is already extended or names a device ("\\?\...", "\\.\...", "\??\...") is
//     returned unchanged.
// `currentFolder` is a full path (as the system's current folder is); text is UTF-8 and passes
// through byte for byte apart from the separators and the dropped parts.

#include <cstddef>
#include <string>
#include <string_view>

namespace velk {

// True for "C:\..." (or "C:/..."), a network path "\\server\..." and the extended and device
// forms: paths that do not depend on a current folder.
bool isFullPath(std::string_view path);

// True for the forms that Windows takes literally: "\\?\", "\\.\" and "\??\".
bool isExtendedPath(std::string_view path);

// The plain full path: "C:\dir\name", "C:\" for a drive's root, "\\server\share\name".
std::string fullPath(std::string_view path, std::string_view currentFolder);

// The extended form of fullPath(path, currentFolder).
std::string extendedPath(std::string_view path, std::string_view currentFolder);

// The device that Windows opens for `path` instead of a file, in upper case ("NUL", "CON",
// "CONIN$", "CONOUT$", "PRN", "AUX", "COM1" to "COM9", "LPT1" to "LPT9", and "COM" and "LPT"
// with a superscript 1, 2 or 3): when the last name of a drive or relative path is one of them
// in any letter case, whatever follows a dot or colon in it and blanks before that ("nul.txt",
// "C:\x\Com1 .log", "NUL:"), whichever folder is named before it.
// "" for any other path; a network path and the extended and device forms name no such device,
// as Windows takes them literally.
std::string deviceName(std::string_view path);

// The form to hand to Windows: the path as given while its full path (against `currentFolder`
// when relative) surely stays below `limit` characters, else the extended form. (Lengths are
// counted in UTF-8 bytes, never fewer than the UTF-16 units that Windows counts.)
std::string pathForWindows(std::string_view path, std::string_view currentFolder,
                           std::size_t limit);

} // namespace velk
