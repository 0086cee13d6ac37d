#include "velkcheck/description_check.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>

#include "package/host_versions.h"
#include "package/package_description.h"
#include "package/package_rules.h"
#include "package/text_compare.h"
#include "package/work_folder_name.h"
#include "velkcheck/names.h"

namespace velk::check {

namespace {

std::string folded(std::string_view name) {
    std::string out(name);
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

std::string languageKey(int index) {
    return std::string(kLanguageKeyPrefix) + std::to_string(index);
}

// The index of a "Lang<index>" key, as "Lang%d" prints it (no sign, no leading zero).
std::optional<int> languageIndex(std::string_view key) {
    const std::size_t prefix = kLanguageKeyPrefix.size();
    if (key.size() <= prefix || !sameTextAscii(key.substr(0, prefix), kLanguageKeyPrefix)) {
        return std::nullopt;
    }
    const std::string_view digits = key.substr(prefix);
    if (digits.size() > 10 || (digits[0] == '0' && digits.size() > 1)) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool isVersionKey(std::string_view key) {
    const std::vector<std::string> versions = hostVersionKeys();
    return std::any_of(versions.begin(), versions.end(),
                       [key](const std::string& version) { return sameTextAscii(key, version); });
}

// The names a key of the section may have (for [Languages] the "Lang" keys up to Count).
std::vector<std::string> knownKeys(std::string_view section, int languageCount) {
    if (sameTextAscii(section, kAboutSection)) {
        return {kAboutKeys.begin(), kAboutKeys.end()};
    }
    if (sameTextAscii(section, kDorvanSection)) {
        std::vector<std::string> keys = hostVersionKeys();
        keys.emplace_back(kLibraryKindKey);
        return keys;
    }
    std::vector<std::string> keys{std::string(kLanguageCountKey),
                                  std::string(kSelectedLanguageKey)};
    for (int i = 0; i < std::clamp(languageCount, 1, 100); ++i) {
        keys.push_back(languageKey(i));
    }
    return keys;
}

bool isKnownKey(std::string_view section, std::string_view key, int languageCount) {
    if (sameTextAscii(section, kLanguagesSection) && languageIndex(key)) {
        return true;
    }
    const std::vector<std::string> keys = knownKeys(section, languageCount);
    return std::any_of(keys.begin(), keys.end(),
                       [key](const std::string& known) { return sameTextAscii(key, known); });
}

// "; did you mean "Name"?" for the nearest known names, or nothing.
std::string suggestion(std::string_view name, const std::vector<std::string>& candidates,
                       const char* open, const char* close) {
    const std::vector<std::string> nearest = nearestNames(name, candidates);
    if (nearest.empty()) {
        return "";
    }
    std::string text = "; did you mean ";
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        if (i > 0) {
            text += i + 1 == nearest.size() ? " or " : ", ";
        }
        text += open + nearest[i] + close;
    }
    return text + "?";
}

// Sections: unknown ones, repeated ones; in each, keys the installer does not read and keys
// given twice.
void checkStructure(const Description& description, const std::string& path, int languageCount,
                    Findings& findings) {
    const std::vector<std::string> sections{
        std::string(kAboutSection), std::string(kLicenceSection), std::string(kDorvanSection),
        std::string(kLanguagesSection)};
    std::map<std::string, int> seenSections; // folded name: line of its first header
    for (const OutlineSection& section : description.sections()) {
        const std::string name = folded(section.name);
        const auto [first, isFirst] = seenSections.try_emplace(name, section.line);
        const bool known = std::any_of(sections.begin(), sections.end(), [&](const std::string& s) {
            return sameTextAscii(section.name, s);
        });
        if (!known) {
            if (isFirst) {
                findings.warning(path, section.line,
                                 "section [" + section.name + "] is not read by the installer" +
                                     suggestion(section.name, sections, "[", "]"));
            }
            continue;
        }
        if (!isFirst) {
            findings.warning(path, section.line,
                             "section [" + section.name + "] is given again (also at line " +
                                 std::to_string(first->second) + "): only the last one is read");
        }
        const bool licence = sameTextAscii(section.name, kLicenceSection);
        std::map<std::string, int> seenKeys;
        for (const OutlineEntry& entry : section.entries) {
            if (licence) {
                // Every line of [Licence] may be shown; only "Text" is read as a key.
                if (!entry.hasValue || !sameTextAscii(entry.key, kLicenceTextKey)) {
                    continue;
                }
            } else if (!entry.hasValue) {
                findings.warning(path, entry.line,
                                 "line " + quoted(entry.text) + " in [" + section.name +
                                     "] has no \"=\": the installer does not read it");
                continue;
            } else if (!isKnownKey(section.name, entry.key, languageCount)) {
                findings.warning(
                    path, entry.line,
                    "key " + quoted(entry.key) + " in [" + section.name +
                        "] is not read by the installer" +
                        suggestion(entry.key, knownKeys(section.name, languageCount), "\"", "\""));
                continue;
            }
            const auto [earlier, keyFirst] = seenKeys.try_emplace(folded(entry.key), entry.line);
            if (keyFirst) {
                continue;
            }
            std::string text = "key " + quoted(entry.key) + " is given again in [" + section.name +
                               "] (also at line " + std::to_string(earlier->second) + "): ";
            if (sameTextAscii(section.name, kDorvanSection) && isVersionKey(entry.key)) {
                text += "every line of it is read, and each that holds \"Yes\" offers the "
                        "version once more";
            } else {
                text += "only the last one is read";
            }
            findings.warning(path, entry.line, std::move(text));
        }
    }
}

void checkHostSuite(const Description& description, const std::string& path, Findings& findings) {
    const std::vector<std::string>& offered = description.package().hostVersions;
    if (std::none_of(offered.begin(), offered.end(), isVersionKey)) {
        const std::vector<std::string> versions = hostVersionKeys();
        findings.error(path, description.sectionLine(kDorvanSection),
                       "no accepted Dorvan5 version: no key " + quoted(versions.front()) + " to " +
                           quoted(versions.back()) +
                           " in [Dorvan] holds \"Yes\", so Install and Remove stay disabled "
                           "everywhere");
    }

    if (const int line = description.keyLine(kDorvanSection, kLibraryKindKey)) {
        const std::string kind = description.ini().readString(kDorvanSection, kLibraryKindKey, "");
        if (!libraryKindNamed(kind)) {
            findings.warning(path, line,
                             "[Dorvan] Dorvan5Libs is " + quoted(kind) +
                                 ", not exactly \"Std\", \"App\" or \"Usr\": the user library "
                                 "folder is taken");
        }
    }
}

void checkLanguages(const Description& description, const std::string& path, Findings& findings) {
    const PackageDescription& package = description.package();
    const int count = package.languageCount;
    const int countLine = description.keyLine(kLanguagesSection, kLanguageCountKey);
    if (count > kOfferedLanguages) {
        findings.warning(path, countLine,
                         "[Languages] Count is " + std::to_string(count) + ": only the first " +
                             std::to_string(kOfferedLanguages) +
                             " languages are offered as the default language");
    }

    const auto given =
        description.ini().numberedValues(kLanguagesSection, kLanguageKeyPrefix, INT_MAX);
    int listed = 0;
    std::vector<int> missing;
    int next = 0;
    for (const auto& [index, name] : given) {
        const int line = description.keyLine(kLanguagesSection, languageKey(index));
        if (index >= count) {
            findings.warning(path, line,
                             "[Languages] " + languageKey(index) + " is ignored: Count is " +
                                 std::to_string(count));
            continue;
        }
        ++listed;
        for (; next < index && missing.size() < 3; ++next) {
            missing.push_back(next);
        }
        next = index + 1;
        if (name.empty()) {
            findings.warning(path, line,
                             "[Languages] " + languageKey(index) +
                                 " is empty: it installs the base files into the target "
                                 "folder again");
        } else if (leavesItsFolder(name)) {
            findings.error(path, line,
                           "[Languages] " + languageKey(index) + " " + quoted(name) +
                               " is a language name the installer refuses (it holds \"\\\", "
                               "\"/\" or \":\", or is only dots and blanks, as \".\" and \"..\" "
                               "are): installation stops");
        } else if (isReservedName(name)) {
            findings.error(path, line,
                           "[Languages] " + languageKey(index) + " " + quoted(name) +
                               " is named like the installer's work folder in the target (" +
                               quoted(workFolderName(1)) + "): the installer refuses the package");
        }
    }
    for (; next < count && missing.size() < 3; ++next) {
        missing.push_back(next);
    }
    const long long missingCount = count > 0 ? static_cast<long long>(count) - listed : 0;
    if (missingCount > 0) {
        std::string names;
        for (std::size_t i = 0; i < missing.size(); ++i) {
            names += (i == 0 ? "" : ", ") + languageKey(missing[i]);
        }
        if (missingCount > static_cast<long long>(missing.size())) {
            names += " and " +
                     std::to_string(missingCount - static_cast<long long>(missing.size())) +
                     " more";
        }
        findings.warning(path, countLine,
                         "[Languages] Count is " + std::to_string(count) + " but " + names +
                             (missingCount == 1 ? " is" : " are") +
                             " missing: a missing language reads as \"\" and installs the base "
                             "files into the target folder again");
    }

    const int offered = static_cast<int>(package.offeredLanguages.size());
    const int selected = package.selectedLanguage;
    if (selected < 0 || selected >= offered) {
        const int selectedLine = description.keyLine(kLanguagesSection, kSelectedLanguageKey);
        findings.warning(
            path, selectedLine != 0 ? selectedLine : countLine,
            "[Languages] Selected is " + std::to_string(selected) + ", outside the " +
                std::to_string(offered) + " language" + (offered == 1 ? "" : "s") + " offered: " +
                (package.preselectedLanguage() >= 0 ? "the last one" : "none") + " is preselected");
    }
}

} // namespace

void checkDescription(const Description& description, const std::string& path, Findings& findings) {
    checkStructure(description, path, description.package().languageCount, findings);
    checkHostSuite(description, path, findings);
    checkLanguages(description, path, findings);
}

} // namespace velk::check
