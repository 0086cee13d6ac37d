#pragma once
// Where a package keeps its description, and how the installer finds it there.
//
// The description lies in the package's "Libs" folder: the first entry whose name ends in ".lin",
// or, when no name does, in ".velklin" (letter case aside; entries of every kind, folders
// included, in the platform's listing order). Only an entry's own (long) name counts: Windows
// also matches a search pattern against short (8.3) names, so that a search for "*.lin" yields
// "notes.linux" (short name NOTE~1.LIN), which is no description.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class FileSystem;

// The package's folder of library files, beside the installer.
inline constexpr std::string_view kLibsFolder = "Libs";

// The package's readme, in its "Libs" folder, as the installer opens it (`packageFolder` ends in a
// backslash). Spelled "libs" as the packages' readme always was; names are found without regard
// to letter case.
inline std::string readmePath(const std::string& packageFolder) {
    return packageFolder + "libs\\readme.txt";
}
// A document of the package's "Libs" folder, as the file list opens it.
inline std::string libsDocumentPath(const std::string& packageFolder, const std::string& name) {
    return packageFolder + "libs\\" + name;
}

// The endings of a description's name, in the order they are looked for.
inline constexpr std::array<std::string_view, 2> kDescriptionEndings{".lin", ".velklin"};

// The names of the entries matching a search pattern ("*.lin"), in listing order. It may yield
// more than the pattern's long-name matches, up to every entry of the folder.
using PatternListing = std::function<std::vector<std::string>(const std::string& pattern)>;

// The entries that may be the description, in listing order: those whose name ends in ".lin",
// or when none does, those whose name ends in ".velklin". The installer takes the first; more
// than one leaves the choice to the file system's order.
std::vector<std::string> descriptionCandidates(const PatternListing& listing);

// Lists the package's "Libs" folder (`packageFolder`, a full path ending in a backslash, +
// "Libs") by its path and gives the bare name of the description in it. Nothing when there is no
// "Libs" folder or no description in it.
std::optional<std::string> findDescriptionFile(FileSystem& files, const std::string& packageFolder);

} // namespace velk
