#include "velkcheck/folder_check.h"

#include <map>
#include <optional>
#include <unordered_map>

#include "package/description_file.h"
#include "package/package_rules.h"
#include "package/work_folder_name.h"
#include "platform/text_decoding.h"
#include "velkcheck/names.h"

namespace velk::check {

namespace {

// The key under which Windows takes names for the same entry: as it makes them (trailing dots
// and blanks dropped), letter case aside.
std::string madeKey(std::string_view name) {
    return foldName(madeName(name));
}

// A file that installation copies: everything directly in a folder but folders and empty files.
bool isInstalled(const Entry& entry) {
    return !entry.isFolder && entry.size > 0;
}

} // namespace

const Entry* findEntry(const std::vector<Entry>& entries, std::string_view name) {
    const std::string wanted = foldName(name);
    const Entry* found = nullptr;
    for (const Entry& entry : entries) {
        if (entry.name == name) {
            return &entry;
        }
        if (found == nullptr && foldName(entry.name) == wanted) {
            found = &entry;
        }
    }
    return found;
}

void checkNames(const std::string& folder, const std::vector<Entry>& entries, Findings& findings) {
    // The first spelling of each name by sort order; every other one is reported against it, so
    // that the report is the same whatever order the folder lists them in.
    std::unordered_map<std::string, const Entry*> first;
    first.reserve(entries.size());
    bool collided = false;
    for (const Entry& entry : entries) {
        if (const auto problem = windowsNameProblem(entry.name)) {
            findings.error(joinPath(folder, entry.name), 0, *problem);
        }
        if (!isValidUtf8(entry.name)) {
            findings.warning(joinPath(folder, entry.name), 0,
                             "the name is not UTF-8: Windows, which names files in Unicode, "
                             "cannot take it as it is");
        }
        const auto [it, added] = first.try_emplace(madeKey(entry.name), &entry);
        if (!added) {
            collided = true;
            if (entry.name < it->second->name) {
                it->second = &entry;
            }
        }
    }
    if (!collided) {
        return;
    }
    for (const Entry& entry : entries) {
        const Entry* spelling = first.at(madeKey(entry.name));
        if (spelling != &entry) {
            const std::string said = "Windows takes this name and " + quoted(spelling->name) +
                                     " for the same name: only one of them can exist there";
            // Two files installed to one name fail the installation.
            if (isInstalled(entry) && isInstalled(*spelling)) {
                findings.error(joinPath(folder, entry.name), 0,
                               said + ", and installing the package fails");
            } else {
                findings.warning(joinPath(folder, entry.name), 0, said);
            }
        }
    }
}

void checkLinks(const std::string& packagePlace, const std::string& folder,
                const std::vector<Entry>& entries, Findings& findings) {
    // Places compared as Windows compares names: a package put on Windows could not hold two
    // folders whose names differ in letter case only.
    const std::string root = foldName(packagePlace);
    for (const Entry& entry : entries) {
        if (!entry.link) {
            continue;
        }
        const std::string path = joinPath(folder, entry.name);
        const std::string place = finalPath(path);
        const std::string folded = foldName(place);
        const bool inside = !root.empty() && folded.starts_with(root) &&
                            (folded.size() == root.size() || root.back() == kSeparator ||
                             folded[root.size()] == kSeparator);
        if (!place.empty() && !inside) {
            findings.error(path, 0,
                           "a link that leads out of the package folder, to " + quoted(place) +
                               ": the installer copies nothing through it");
        }
    }
}

void checkInstalledFiles(const std::string& packagePlace, const std::string& folder,
                         const std::vector<Entry>& entries, Findings& findings) {
    checkNames(folder, entries, findings);
    checkLinks(packagePlace, folder, entries, findings);
    for (const Entry& entry : entries) {
        if (isReservedName(entry.name)) {
            findings.error(joinPath(folder, entry.name), 0,
                           "named like the installer's work folder in the target (" +
                               quoted(workFolderName(1)) + "): the installer refuses the package");
        }
        if (!entry.isFolder && entry.size == 0) {
            findings.warning(joinPath(folder, entry.name), 0,
                             "empty file: it is never installed or listed");
        } else if (isInstalled(entry) && !entry.readable) {
            findings.error(joinPath(folder, entry.name), 0,
                           "the file cannot be read: installing it fails");
        }
    }
}

void checkLanguageFolders(const std::string& packagePlace, const std::string& libsPath,
                          const std::vector<Entry>& libsEntries, const Description& description,
                          const std::string& descriptionPath, Findings& findings) {
    const PackageDescription& package = description.package();
    struct Folder {
        const Entry* entry;
        bool installed = false;               // some language names it
        std::optional<std::string> asDefault; // the offered language that names it
        std::vector<Entry> files;
    };
    std::unordered_map<std::string, Folder> folders; // by folded name
    for (const Entry& entry : libsEntries) {
        if (entry.isFolder) {
            folders.emplace(madeKey(entry.name), Folder{&entry, false, std::nullopt, {}});
        }
    }

    // The listed languages get folders of their own below the target, which no file that goes
    // into the target itself can share a name with.
    std::map<std::string, std::string> targetFolders; // folded name: the language
    for (const ListedLanguage& language : package.languageFolders()) {
        const std::string folded = madeKey(language.name);
        targetFolders.try_emplace(folded, language.name);
        const auto it = folders.find(folded);
        if (it == folders.end()) {
            findings.warning(
                descriptionPath,
                description.keyLine(kLanguagesSection, std::string(kLanguageKeyPrefix) +
                                                           std::to_string(language.index)),
                "[Languages] " + std::string(kLanguageKeyPrefix) + std::to_string(language.index) +
                    " " + quoted(language.name) + " has no folder in " + quoted(kLibsFolder) +
                    ": nothing of this language is installed");
            continue;
        }
        it->second.installed = true;
    }
    // Each language offered as the default one is copied into the target itself as well.
    for (const std::string& language : package.offeredLanguages) {
        const auto it = language.empty() || leavesItsFolder(language)
                            ? folders.end()
                            : folders.find(madeKey(language));
        if (it != folders.end() && !it->second.asDefault) {
            it->second.installed = true;
            it->second.asDefault = language;
        }
    }

    for (const Entry& entry : libsEntries) {
        if (!entry.isFolder) {
            continue;
        }
        Folder& folder = folders.at(madeKey(entry.name));
        const std::string path = joinPath(libsPath, entry.name);
        if (!folder.installed) {
            findings.warning(path, 0,
                             "no language of the description names this folder: it is never "
                             "installed");
        } else if (folder.entry == &entry) {
            if (auto files = listFolder(path)) {
                checkInstalledFiles(packagePlace, path, *files, findings);
                folder.files = std::move(*files);
            } else {
                findings.error(path, 0, "the folder cannot be listed");
            }
        }
    }

    // Files that go into the target folder itself: the base files, and the files of the default
    // language, whichever it is.
    const auto checkCollisions = [&](const std::string& path, const std::vector<Entry>& files,
                                     const std::string* defaultLanguage) {
        for (const Entry& file : files) {
            const auto taken = targetFolders.find(madeKey(file.name));
            if (!isInstalled(file) || taken == targetFolders.end()) {
                continue;
            }
            findings.error(joinPath(path, file.name), 0,
                           "installed into the target folder" +
                               (defaultLanguage ? " when " + quoted(*defaultLanguage) +
                                                      " is the default language"
                                                : std::string()) +
                               ", where the language " + quoted(taken->second) +
                               " has its folder of the same name: one of the copies fails");
        }
    };
    checkCollisions(libsPath, libsEntries, nullptr);
    for (const Entry& entry : libsEntries) {
        const auto it = entry.isFolder ? folders.find(madeKey(entry.name)) : folders.end();
        if (it != folders.end() && it->second.entry == &entry && it->second.asDefault) {
            checkCollisions(joinPath(libsPath, entry.name), it->second.files,
                            &*it->second.asDefault);
        }
    }
}

} // namespace velk::check
