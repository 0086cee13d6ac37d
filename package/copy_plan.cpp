#include "package/copy_plan.h"

#include <cstdint>
#include <optional>
#include <set>
#include <utility>

#include "package/leftovers.h"

namespace velk {

namespace {

constexpr std::uint32_t kReadOnly = 0x1; // FILE_ATTRIBUTE_READONLY

// How many temporary names a replacement tries when names are taken (by leftovers that could not
// be deleted) before it gives up.
constexpr int kTemporaryNameTries = 16;

bool diskFull(const FsResult& result) {
    constexpr unsigned long handleDiskFull = 39; // ERROR_HANDLE_DISK_FULL
    return result.error() == kErrorDiskFull || result.error() == handleDiskFull;
}

// Every name the plan installs, gathered when first asked for (only an update or leftovers need
// them): no temporary file takes one, and no file of such a name is deleted as a leftover.
// Unless a listing failed, these are all the package's names.
class PlannedNames {
  public:
    PlannedNames(FileSystem& files, const CopyPlan& plan) : files_(files), plan_(plan) {}

    const FileNames& all() {
        if (!names_) {
            names_.emplace(FileNameLess{&files_});
            for (const FolderCopy& folder : plan_.folders) {
                for (const DirEntry& entry : folder.listing.files) {
                    names_->insert(entry.name);
                }
            }
        }
        return *names_;
    }

    // All the package's names, or nothing when a listing failed and some may be missing.
    std::optional<FileNames> certain() {
        for (const FolderCopy& folder : plan_.folders) {
            if (!folder.listing.complete) {
                return std::nullopt;
            }
        }
        return all();
    }

  private:
    FileSystem& files_;
    const CopyPlan& plan_;
    std::optional<FileNames> names_;
};

class Copier {
  public:
    Copier(FileSystem& files, PlannedNames& packageNames)
        : files_(files), packageNames_(packageNames) {}

    // Copies `from` to `folder` + "\" + `name`, leaving there either the old file or a complete
    // copy.
    FsResult install(const std::string& from, const std::string& folder, const DirEntry& entry) {
        const std::string to = folder + "\\" + entry.name;
        const FsResult direct = files_.copyNewFile(from, to);
        if (direct) {
            return writable(to, entry);
        }
        if (!direct.nameTaken()) {
            // Only a copy that created its target runs out of space writing it: the fragment is
            // ours to delete.
            if (diskFull(direct)) {
                discard(to);
            }
            return direct;
        }
        return replace(from, folder, to, entry);
    }

  private:
    FsResult replace(const std::string& from, const std::string& folder, const std::string& to,
                     const DirEntry& entry) {
        FsResult copied = FsResult::failure(kErrorFileExists);
        std::string temporary;
        for (unsigned long number = 1, tries = 0; tries < kTemporaryNameTries; ++number) {
            const std::string name = temporaryName(number);
            if (packageNames_.all().count(name) != 0) {
                continue; // a package file of that name may be installed in this folder
            }
            ++tries;
            temporary = folder + "\\" + name;
            copied = files_.copyNewFile(from, temporary);
            if (!copied.nameTaken()) {
                break; // a name that is taken is never ours to delete here
            }
        }
        if (!copied) {
            if (!copied.nameTaken()) {
                discard(temporary);
            }
            return copied;
        }
        FsResult result = writable(temporary, entry);
        if (result) {
            result = files_.replaceFile(temporary, to);
        }
        if (!result) {
            discard(temporary);
        }
        return result;
    }

    // Deletes a copy of ours that must not stay; it carries the read-only attribute of a
    // read-only source until that is cleared.
    void discard(const std::string& path) {
        files_.clearReadOnly(path);
        files_.deleteFile(path);
    }

    FsResult writable(const std::string& path, const DirEntry& entry) {
        return (entry.attributes & kReadOnly) != 0 ? files_.clearReadOnly(path) : FsResult();
    }

    FileSystem& files_;
    PlannedNames& packageNames_;
};

} // namespace

FailureList copyPlanned(FileSystem& files, const CopyPlan& plan, WorkProgress& progress) {
    FailureList failures;
    std::size_t total = 0;
    for (const FolderCopy& folder : plan.folders) {
        total += folder.listing.files.size();
    }
    progress.setTotal(total);

    PlannedNames packageNames(files, plan);
    const auto knownNames = [&packageNames] { return packageNames.certain(); };

    const std::string installedDescription = plan.target + "\\" + plan.descriptionFile;
    const bool hadDescription = files.fileExists(installedDescription);
    const auto isInstalledDescription = [&](const FolderCopy& folder, const DirEntry& entry) {
        return (folder.target == plan.target || folder.target == plan.target + "\\") &&
               files.compareFileNames(entry.name, plan.descriptionFile) == 0;
    };
    std::vector<std::pair<const FolderCopy*, const DirEntry*>> descriptions;

    Copier copier(files, packageNames);
    std::set<std::string> cleaned;            // target folders whose leftovers are gone
    FileNames unlisted(FileNameLess{&files}); // package folders reported, each once
    for (const FolderCopy& folder : plan.folders) {
        if (!folder.listing.complete && unlisted.insert(folder.source).second) {
            failures.add(folder.source);
        }
        if (folder.languageFolder && !files.folderExists(folder.target)) {
            files.createFolder(folder.target);
        }
        // A link here would take the copies wherever it leads: they fail instead.
        const bool link = folder.belowTarget && files.isLink(folder.target);
        if (!link && cleaned.insert(folder.target).second) {
            deleteLeftovers(files, folder.target, knownNames);
        }
        for (const DirEntry& entry : folder.listing.files) {
            if (isInstalledDescription(folder, entry)) {
                descriptions.emplace_back(&folder, &entry);
            } else {
                if (link ||
                    !copier.install(folder.source + "\\" + entry.name, folder.target, entry)) {
                    failures.add(folder.target + "\\" + entry.name);
                }
                progress.step();
            }
        }
    }

    // Last, the description; kept as it was where it was and anything failed.
    if (failures.empty() || !hadDescription) {
        for (const auto& [folder, entry] : descriptions) {
            if (!copier.install(folder->source + "\\" + entry->name, folder->target, *entry)) {
                failures.add(folder->target + "\\" + entry->name);
            }
        }
    }
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        progress.step(); // copied, or kept as it was
    }
    return failures;
}

} // namespace velk
