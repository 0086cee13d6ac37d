#include "velkcheck/package_check.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "package/description_file.h"
#include "platform/text_decoding.h"
#include "velkcheck/description.h"
#include "velkcheck/description_check.h"
#include "velkcheck/folder_check.h"
#include "velkcheck/logo_check.h"
#include "velkcheck/names.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

namespace {

void checkEncoding(std::string_view bytes, const std::string& path, Findings& findings) {
    const TextEncoding encoding = detectEncoding(bytes);
    if (encoding == TextEncoding::Ansi) {
        findings.warning(path, 0,
                         "the description is neither UTF-8 nor UTF-16 with a byte-order mark: "
                         "it is read in each user's ANSI code page, and its names may read "
                         "differently on other machines");
    } else if (encoding == TextEncoding::Utf8Marked) {
        // What follows the mark, up to a NUL, which ends the text.
        const std::string_view text = bytes.substr(3, bytes.find('\0', 3) - 3);
        if (!isValidUtf8(text)) {
            findings.warning(path, 0,
                             "the description is marked as UTF-8 but holds bytes that are not "
                             "UTF-8: they read as \"\xEF\xBF\xBD\"");
        }
    }
}

void checkPackageIn(const std::string& folder, Findings& findings) {
    const std::optional<std::vector<Entry>> root = listFolder(folder);
    if (!root) {
        findings.error(folder, 0, "the package folder cannot be listed");
        return;
    }
    // Links are judged against the place the package folder really lies in.
    const std::string packagePlace = finalPath(folder);
    checkNames(folder, *root, findings);
    checkLinks(packagePlace, folder, *root, findings);

    const Entry* libs = findEntry(*root, kLibsFolder);
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
    checkInstalledFiles(packagePlace, libsPath, *libsEntries, findings);

    // The description, found as the installer finds it: all of the folder's names are at hand.
    std::vector<std::string> descriptions = descriptionCandidates([&](const std::string&) {
        std::vector<std::string> names;
        for (const Entry& entry : *libsEntries) {
            names.push_back(entry.name);
        }
        return names;
    });
    std::sort(descriptions.begin(), descriptions.end());
    if (descriptions.empty()) {
        findings.error(libsPath, 0,
                       "no package description: no file whose name ends in \".lin\" (or else "
                       "\".velklin\")");
        return;
    }
    if (descriptions.size() > 1) {
        std::string names;
        for (const std::string& name : descriptions) {
            names += (names.empty() ? "" : ", ") + quoted(name);
        }
        findings.error(libsPath, 0,
                       std::to_string(descriptions.size()) + " package descriptions (" + names +
                           "): which one the installer reads depends on the file system's order");
    }
    const std::string descriptionPath = joinPath(libsPath, descriptions.front());
    if (findEntry(*libsEntries, descriptions.front())->isFolder) {
        findings.error(descriptionPath, 0,
                       "a folder, not a package description file: the installer reads no "
                       "description");
        return;
    }
    const FileRead read = readFile(descriptionPath);
    if (read.status != ReadStatus::Read) {
        findings.error(descriptionPath, 0, "the package description " + readProblem(read.status));
        return;
    }
    checkEncoding(read.bytes, descriptionPath, findings);
    const Description description = Description::parse(decodeText(read.bytes, &ansiToUtf8));
    checkDescription(description, descriptionPath, findings);
    checkLanguageFolders(packagePlace, libsPath, *libsEntries, description, descriptionPath,
                         findings);
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
