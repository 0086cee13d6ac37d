#pragma once
// Rules by which the installer takes a package, shared by the installer and the package checker.

#include <string>
#include <string_view>

namespace velk {

// The languages the main window offers at most.
constexpr int kOfferedLanguages = 4;

// The [Dorvan] key that names the target's library folder, never a host suite version.
constexpr std::string_view kLibraryKindKey = "Dorvan5Libs";

// A line of [Dorvan] (key and stored line) offers a host suite version when its key is not
// exactly "Dorvan5Libs" and the line holds "Yes" anywhere, in exactly that case.
bool offersHostVersion(std::string_view key, std::string_view line);

// A name as Windows makes it when it creates a file or folder of that name (and as it opens one):
// its trailing dots and blanks dropped, so that "English." and "English " name "English". Two
// names name the same entry when their made forms are equal, letter case aside.
std::string_view madeName(std::string_view name);

// A language name becomes a folder name below the target and below "Libs": it must name exactly
// one folder level there, so no separator, no drive colon and nothing that Windows makes into
// no name at all ("." and "..", or only dots and blanks). The empty name is allowed: it names the
// folder itself.
bool leavesItsFolder(std::string_view language);

// Everything after the last backslash or colon: the part of [About] "Picture" that is used.
std::string fileNamePart(const std::string& path);

// The extension of a file's name, dot included ("" when it has none).
std::string extensionOf(const std::string& path);

// True for the picture types the logo box shows (.bmp, .ico, .emf, .wmf, any letter case).
bool isShownPictureType(const std::string& extension);

} // namespace velk
