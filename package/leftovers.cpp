#include "package/leftovers.h"

#include <cctype>
#include <vector>

#include "package/text_compare.h"

namespace velk {

namespace {

constexpr std::string_view kPrefix = "~velk";
constexpr std::string_view kSuffix = ".tmp";

} // namespace

bool isTemporaryName(const std::string& name) {
    if (name.size() <= kPrefix.size() + kSuffix.size() ||
        !sameTextAscii(std::string_view(name).substr(0, kPrefix.size()), kPrefix) ||
        !sameTextAscii(std::string_view(name).substr(name.size() - kSuffix.size()), kSuffix)) {
        return false;
    }
    for (std::size_t i = kPrefix.size(); i < name.size() - kSuffix.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

std::string temporaryName(unsigned long number) {
    return std::string(kPrefix) + std::to_string(number) + std::string(kSuffix);
}

std::optional<FileNames> allPackageFileNames(FileSystem& files, const std::string& libsFolder) {
    FileNames names(FileNameLess{&files});
    std::vector<std::string> subfolders;
    if (!files.enumerate(libsFolder + "\\*.*", [&](const DirEntry& entry) {
            if (!entry.isFolder) {
                names.insert(entry.name);
            } else if (entry.name != "." && entry.name != "..") {
                subfolders.push_back(entry.name);
            }
        })) {
        return std::nullopt;
    }
    for (const std::string& subfolder : subfolders) {
        if (!files.enumerate(libsFolder + "\\" + subfolder + "\\*.*", [&](const DirEntry& entry) {
                if (!entry.isFolder) {
                    names.insert(entry.name);
                }
            })) {
            return std::nullopt;
        }
    }
    return names;
}

void deleteLeftovers(FileSystem& files, const std::string& folder,
                     const std::function<std::optional<FileNames>()>& packageNames) {
    std::vector<std::string> leftovers;
    files.enumerate(folder + "\\" + std::string(kPrefix) + "*" + std::string(kSuffix),
                    [&leftovers](const DirEntry& entry) {
                        if (!entry.isFolder && isTemporaryName(entry.name)) {
                            leftovers.push_back(entry.name);
                        }
                    });
    if (leftovers.empty()) {
        return;
    }
    const std::optional<FileNames> keep = packageNames();
    if (!keep) {
        return;
    }
    for (const std::string& name : leftovers) {
        if (keep->count(name) == 0) {
            // A killed run's copy of a read-only package file is read-only too.
            const std::string path = folder + "\\" + name;
            files.clearReadOnly(path);
            files.deleteFile(path); // one that stays is tried again next time
        }
    }
}

} // namespace velk
