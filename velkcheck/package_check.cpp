#include "velkcheck/package_check.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "package/package_rules.h"
#include "package/text_compare.h"
#include "platform/text_decoding.h"
#include "velkcheck/description.h"
#include "velkcheck/description_check.h"
#include "velkcheck/names.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

namespace {

// The entry named `name` as Windows finds it (letter case ignored); an entry of exactly that
// name first, where two differ only in case.
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

bool endsWithAscii(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() &&
           sameTextAscii(name.substr(name.size() - suffix.size()), suffix);
}

// Names Windows cannot create or takes specially, and names Windows takes for one.
void checkNames(const std::string& folder, const std::vector<Entry>& entries, Findings& findings) {
    // The first spelling of each name by sort order; every other one is reported against it, so
    // that the report is the same whatever order the folder lists them in.
    std::unordered_map<std::string, const Entry*> first;
    first.reserve(entries.size());
    bool collided = false;
    for (const Entry& entry : entries) {
        if (const auto problem = windowsNameProblem(entry.name)) {
            findings.warning(joinPath(folder, entry.name), 0, *problem);
        }
        const auto [it, added] = first.try_emplace(foldName(entry.name), &entry);
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
        const Entry* spelling = first.at(foldName(entry.name));
        if (spelling != &entry) {
            findings.warning(joinPath(folder, entry.name), 0,
                             "Windows takes this name and " + quoted(spelling->name) +
                                 " for the same name: only one of them can exist there");
        }
    }
}

// Files that installation copies from a folder: everything directly in it but folders and
// empty files.
void checkInstalledFiles(const std::string& folder, const std::vector<Entry>& entries,
                         Findings& findings) {
    checkNames(folder, entries, findings);
    for (const Entry& entry : entries) {
        if (!entry.isFolder && entry.size == 0) {
            findings.warning(joinPath(folder, entry.name), 0,
                             "empty file: it is never installed or listed");
        }
    }
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return value;
}

// Whether the start of a file is that of a picture of the type its extension names.
std::optional<std::string> pictureProblem(const std::string& extension, std::string_view head) {
    const std::string type = foldName(extension);
    if (type == ".BMP") {
        if (head.size() >= 26 && head.starts_with("BM")) {
            return std::nullopt;
        }
        return "not a Windows bitmap: the logo will not show";
    }
    if (type == ".ICO") {
        if (head.size() >= 22 && head.starts_with(std::string_view("\0\0\1\0", 4)) &&
            (head[4] != 0 || head[5] != 0)) {
            return std::nullopt;
        }
        return "not a Windows icon: the logo will not show";
    }
    if (type == ".EMF") {
        if (head.size() >= 44 && littleEndian32(head, 0) == 1 &&
            head.substr(40, 4) == std::string_view(" EMF")) {
            return std::nullopt;
        }
        return "not an enhanced metafile: the logo will not show";
    }
    // A Windows metafile: the placeable header, or the plain header (type 1 or 2, 9 words).
    if (head.size() >= 18 &&
        (littleEndian32(head, 0) == 0x9AC6CDD7u ||
         ((head[0] == 1 || head[0] == 2) && head[1] == 0 && head[2] == 9 && head[3] == 0))) {
        return std::nullopt;
    }
    return "not a Windows metafile: the logo will not show";
}

// The logo that [About] "Picture" names (default "logo.bmp"): its name part is taken from the
// package folder.
void checkLogo(const std::string& folder, const std::vector<Entry>& rootEntries,
               const Description& description, const std::string& descriptionPath,
               Findings& findings) {
    const int line = description.keyLine("About", "Picture");
    const std::string name =
        fileNamePart(description.ini().readString("About", "Picture", "logo.bmp"));
    if (name.empty()) {
        return;
    }
    // A name part may still hold "/", which Windows takes as a separator too.
    std::string path = folder;
    std::optional<std::vector<Entry>> listing = rootEntries;
    std::optional<Entry> found;
    std::string_view rest = name;
    while (true) {
        const auto cut = rest.find('/');
        const std::string_view part = rest.substr(0, cut);
        const Entry* entry = listing ? findEntry(*listing, part) : nullptr;
        if (part == "." || part == ".." || part.empty()) {
            path = joinPath(path, part);
        } else if (entry == nullptr) {
            found.reset();
            break;
        } else {
            path = joinPath(path, entry->name);
            found = *entry;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
        listing = listFolder(path);
    }
    if (!found || found->isFolder || rest.find('/') != std::string_view::npos) {
        if (line != 0) {
            findings.warning(descriptionPath, line,
                             "[About] Picture names " + quoted(name) +
                                 ", which is not in the package folder: no logo is shown");
        }
        return;
    }
    const std::string extension = extensionOf(name);
    if (!isShownPictureType(extension)) {
        findings.error(descriptionPath, line,
                       "the logo " + quoted(name) + " is of type " + quoted(extension) +
                           ", which the installer cannot show: it reports an error at every "
                           "start (use .bmp, .ico, .emf or .wmf)");
        return;
    }
    const std::optional<std::string> head = readFile(path, 64);
    if (const auto problem = pictureProblem(extension, head.value_or(""))) {
        findings.warning(path, 0, *problem);
    }
}

void checkEncoding(std::string_view bytes, const std::string& path, Findings& findings) {
    const TextEncoding encoding = detectEncoding(bytes);
    if (encoding == TextEncoding::Ansi) {
        findings.warning(path, 0,
                         "the description is neither UTF-8 nor UTF-16 with a byte-order mark: "
                         "it is read in each user's ANSI code page, and its names may read "
                         "differently on other machines");
    } else if (encoding == TextEncoding::Utf8Marked &&
               detectEncoding(bytes.substr(3)) == TextEncoding::Ansi) {
        findings.warning(path, 0,
                         "the description is marked as UTF-8 but holds bytes that are not "
                         "UTF-8: they read as \"\xEF\xBF\xBD\"");
    }
}

void checkPackageIn(const std::string& folder, Findings& findings) {
    const std::optional<std::vector<Entry>> root = listFolder(folder);
    if (!root) {
        findings.error(folder, 0, "the package folder cannot be listed");
        return;
    }
    checkNames(folder, *root, findings);

    const Entry* libs = findEntry(*root, "Libs");
    if (libs == nullptr || !libs->isFolder) {
        findings.error(folder, 0, "no \"Libs\" folder: the installer finds no package description");
        return;
    }
    const std::string libsPath = joinPath(folder, libs->name);
    const std::optional<std::vector<Entry>> libsEntries = listFolder(libsPath);
    if (!libsEntries) {
        findings.error(libsPath, 0, "the folder cannot be listed");
        return;
    }
    checkInstalledFiles(libsPath, *libsEntries, findings);

    // The description: the entries ending in ".lin", or else in ".velklin", folders included.
    std::vector<const Entry*> descriptions;
    for (const char* suffix : {".lin", ".velklin"}) {
        for (const Entry& entry : *libsEntries) {
            if (endsWithAscii(entry.name, suffix)) {
                descriptions.push_back(&entry);
            }
        }
        if (!descriptions.empty()) {
            break;
        }
    }
    std::sort(descriptions.begin(), descriptions.end(),
              [](const Entry* a, const Entry* b) { return a->name < b->name; });
    if (descriptions.empty()) {
        findings.error(libsPath, 0,
                       "no package description: no file whose name ends in \".lin\" (or else "
                       "\".velklin\")");
        return;
    }
    if (descriptions.size() > 1) {
        std::string names;
        for (const Entry* entry : descriptions) {
            names += (names.empty() ? "" : ", ") + quoted(entry->name);
        }
        findings.error(libsPath, 0,
                       std::to_string(descriptions.size()) + " package descriptions (" + names +
                           "): which one the installer reads depends on the file system's order");
    }
    const std::string descriptionPath = joinPath(libsPath, descriptions.front()->name);
    if (descriptions.front()->isFolder) {
        findings.error(descriptionPath, 0,
                       "a folder, not a package description file: the installer reads no "
                       "description");
        return;
    }
    const std::optional<std::string> bytes =
        readFile(descriptionPath, std::numeric_limits<std::size_t>::max());
    if (!bytes) {
        findings.error(descriptionPath, 0, "the package description cannot be read");
        return;
    }
    checkEncoding(*bytes, descriptionPath, findings);
    const Description description = Description::parse(decodeText(*bytes, &ansiToUtf8));
    checkDescription(description, descriptionPath, findings);

    // Each listed language's folder, once however often it is listed; folders no language
    // names.
    struct Folder {
        const Entry* entry;
        bool named = false; // by a language
    };
    std::unordered_map<std::string, Folder> folders; // by folded name
    for (const Entry& entry : *libsEntries) {
        if (entry.isFolder) {
            folders.emplace(foldName(entry.name), Folder{&entry});
        }
    }
    for (const ListedLanguage& language : listedLanguages(description)) {
        const auto it = folders.find(foldName(language.name));
        if (it == folders.end()) {
            findings.warning(descriptionPath, language.line,
                             "[Languages] " + language.key + " " + quoted(language.name) +
                                 " has no folder in " + quoted(libs->name) +
                                 ": nothing of this language is installed");
            continue;
        }
        if (it->second.named) {
            continue;
        }
        it->second.named = true;
        const std::string languagePath = joinPath(libsPath, it->second.entry->name);
        if (const auto entries = listFolder(languagePath)) {
            checkInstalledFiles(languagePath, *entries, findings);
        } else {
            findings.error(languagePath, 0, "the folder cannot be listed");
        }
    }
    for (const Entry& entry : *libsEntries) {
        if (entry.isFolder && !folders.at(foldName(entry.name)).named) {
            findings.warning(joinPath(libsPath, entry.name), 0,
                             "no language of the description names this folder: it is never "
                             "installed");
        }
    }

    checkLogo(folder, *root, description, descriptionPath, findings);
}

} // namespace

Findings checkPackage(const std::string& folder) {
    Findings findings;
    checkPackageIn(folder, findings);
    std::stable_sort(findings.list().begin(), findings.list().end(),
                     [](const Finding& a, const Finding& b) {
                         return a.path != b.path ? a.path < b.path : a.line < b.line;
                     });
    return findings;
}

} // namespace velk::check
