#pragma once
// A package description as the installer takes it: the library's identity and logo, the info
// text, the host suite versions it offers, its languages and the library folder it goes into.
// The file itself is read by the rules of package/ini_file.h; this is what the keys mean.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class FileSystem;
class IniFile;

// The sections the installer reads, and their keys (the host suite version keys of [Dorvan] are
// in package/host_versions.h, its library folder key in package/package_rules.h).
inline constexpr std::string_view kAboutSection = "About";
inline constexpr std::string_view kLicenceSection = "Licence";
inline constexpr std::string_view kDorvanSection = "Dorvan";
inline constexpr std::string_view kLanguagesSection = "Languages";
inline constexpr std::array<std::string_view, 5> kAboutKeys{"Name", "Version", "Distributed",
                                                            "Author", "Picture"};
inline constexpr std::string_view kLicenceTextKey = "Text";
inline constexpr std::string_view kLanguageCountKey = "Count";
inline constexpr std::string_view kSelectedLanguageKey = "Selected";
// Followed by an index in decimal, from 0, as "Lang%d" makes it.
inline constexpr std::string_view kLanguageKeyPrefix = "Lang";

// What the installer takes when [About] gives no version, no picture.
inline constexpr std::string_view kDefaultVersion = "1.0.0";
inline constexpr std::string_view kDefaultLogo = "logo.bmp";
// The one language offered when the description lists none.
inline constexpr std::string_view kNoLanguagesItem = "Default";

// The library folders of the host suite that a package may go into ("Dorvan5Libs"); the values
// are the folder kinds of the host suite lookup.
enum LibraryKind : int { kStandardLibrary = 0, kApplicationLibrary = 1, kUserLibrary = 2 };

// The library folder a "Dorvan5Libs" value names when it is exactly "Std", "App" or "Usr"
// (letter case included); nothing for any other value, for which the user library folder is
// taken.
std::optional<LibraryKind> libraryKindNamed(std::string_view value);

// A language that the description lists: "Lang<index>", its index below "Count".
struct ListedLanguage {
    int index = 0;
    std::string name;
};

struct PackageDescription {
    // [About]
    std::string name;
    std::string version{kDefaultVersion};
    std::string distributed;
    std::string author;
    std::string picture{kDefaultLogo}; // as given, a folder part included
    // [Licence]: "Text" cut into lines at every "\n" pair, or else the section's stored lines.
    std::vector<std::string> licence;
    // [Dorvan]: the key of every line that offers a host suite version, in file order (a key
    // given twice offers its version twice).
    std::vector<std::string> hostVersions;
    LibraryKind libraryKind = kUserLibrary;
    // [Languages]: "Count", and the "Lang" keys below it that are given, by index (each from
    // its key's last occurrence; a key that is missing reads as "").
    int languageCount = 0;
    std::vector<ListedLanguage> languages;
    // The languages offered as the default language: the first four listed (missing ones as
    // ""), or "Default" alone when "Count" is 0 (none when it is negative).
    std::vector<std::string> offeredLanguages;
    // [Languages] "Selected": the offered language preselected.
    int selectedLanguage = 0;

    // Takes the description's keys as the installer does.
    static PackageDescription from(const IniFile& ini);

    // The logo's file name: the part of "Picture" after its last backslash or colon. The logo
    // is taken from the package folder under that name.
    std::string logoName() const;
    // The index of the offered language preselected: "Selected", or the last one for an index
    // beyond it, or none (-1) for a negative one.
    int preselectedLanguage() const;
    // The languages installation copies, in listing order: every listed name, and one "" (the
    // target folder itself) for each run of keys below "Count" that are missing, which read as
    // "", with the index of its first key. A name listed twice is there twice.
    std::vector<ListedLanguage> copiedLanguages() const;
    // Of copiedLanguages, those copied into folders of their own below the target: every one but
    // "" and the names installation refuses.
    std::vector<ListedLanguage> languageFolders() const;
};

// Reads the package description at `path` (a full path).
// Nothing when no file of that name exists (an empty name or a folder included). A file that
// exists but cannot be opened throws AppError("Cannot open file ...").
std::optional<PackageDescription> readPackageDescription(FileSystem& files,
                                                         const std::string& path);

} // namespace velk
