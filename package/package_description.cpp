#include "package/package_description.h"

#include <algorithm>
#include <iterator>

#include "package/ini_file.h"
#include "package/package_rules.h"
#include "platform/file_system.h"

namespace velk {

namespace {

// Cuts the info text at every "\" "n" pair: each piece in front of a separator is a line, empty
// or not; the rest after the last separator is a line only when it is not empty.
std::vector<std::string> infoLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string_view rest(text);
    for (auto cut = rest.find("\\n"); cut != std::string_view::npos; cut = rest.find("\\n")) {
        lines.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut + 2);
    }
    if (!rest.empty()) {
        lines.emplace_back(rest);
    }
    return lines;
}

} // namespace

std::optional<LibraryKind> libraryKindNamed(std::string_view value) {
    if (value == "Std") {
        return kStandardLibrary;
    }
    if (value == "App") {
        return kApplicationLibrary;
    }
    if (value == "Usr") {
        return kUserLibrary;
    }
    return std::nullopt;
}

PackageDescription PackageDescription::from(const IniFile& ini) {
    PackageDescription d;
    d.name = ini.readString(kAboutSection, "Name", "");
    d.version = ini.readString(kAboutSection, "Version", std::string(kDefaultVersion));
    d.distributed = ini.readString(kAboutSection, "Distributed", "");
    d.author = ini.readString(kAboutSection, "Author", "");
    d.picture = ini.readString(kAboutSection, "Picture", std::string(kDefaultLogo));

    const std::string text = ini.readString(kLicenceSection, kLicenceTextKey, "");
    d.licence = text.empty() ? ini.sectionLines(kLicenceSection) : infoLines(text);

    const std::vector<std::string> keys = ini.sectionKeys(kDorvanSection);
    const std::vector<std::string> lines = ini.sectionLines(kDorvanSection);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (offersHostVersion(keys[i], lines[i])) {
            d.hostVersions.push_back(keys[i]);
        }
    }
    d.libraryKind = libraryKindNamed(ini.readString(kDorvanSection, kLibraryKindKey, "Usr"))
                        .value_or(kUserLibrary);

    d.languageCount = ini.readInteger(kLanguagesSection, kLanguageCountKey, 0);
    for (auto& [index, name] :
         ini.numberedValues(kLanguagesSection, kLanguageKeyPrefix, d.languageCount)) {
        d.languages.push_back(ListedLanguage{index, std::move(name)});
    }
    const int offered = std::min(d.languageCount, kOfferedLanguages);
    for (int i = 0; i < offered; ++i) {
        const auto listed =
            std::find_if(d.languages.begin(), d.languages.end(),
                         [i](const ListedLanguage& language) { return language.index == i; });
        d.offeredLanguages.push_back(listed == d.languages.end() ? "" : listed->name);
    }
    if (d.languageCount == 0) {
        d.offeredLanguages.emplace_back(kNoLanguagesItem);
    }
    d.selectedLanguage = ini.readInteger(kLanguagesSection, kSelectedLanguageKey, 0);
    return d;
}

std::string PackageDescription::logoName() const {
    return fileNamePart(picture);
}

int PackageDescription::preselectedLanguage() const {
    const int last = static_cast<int>(offeredLanguages.size()) - 1;
    return selectedLanguage < 0 ? -1 : std::min(selectedLanguage, last);
}

std::vector<ListedLanguage> PackageDescription::copiedLanguages() const {
    std::vector<ListedLanguage> copied;
    int next = 0;
    for (const ListedLanguage& language : languages) {
        if (language.index > next) {
            copied.push_back(ListedLanguage{next, ""});
        }
        copied.push_back(language);
        next = language.index + 1;
    }
    if (next < languageCount) {
        copied.push_back(ListedLanguage{next, ""});
    }
    return copied;
}

std::vector<ListedLanguage> PackageDescription::languageFolders() const {
    const std::vector<ListedLanguage> copied = copiedLanguages();
    std::vector<ListedLanguage> folders;
    std::copy_if(copied.begin(), copied.end(), std::back_inserter(folders),
                 [](const ListedLanguage& language) {
                     return !language.name.empty() && !leavesItsFolder(language.name);
                 });
    return folders;
}

std::optional<PackageDescription> readPackageDescription(FileSystem& files,
                                                         const std::string& path) {
    if (path.empty() || !files.fileExists(path)) {
        return std::nullopt;
    }
    return PackageDescription::from(IniFile::read(files, path));
}

} // namespace velk
