#include "package/remove_transaction.h"

#include <map>
#include <optional>

#include "package/work_folder.h"

namespace velk {

namespace {

constexpr std::uint32_t kReadOnly = 0x1; // FILE_ATTRIBUTE_READONLY

} // namespace

WorkOutcome removeInstalled(FileSystem& files, const std::string& target,
                            const std::string& libsFolder, const PackageListing& baseFiles,
                            WorkProgress& progress) {
    WorkOutcome outcome;
    if (!baseFiles.complete) {
        outcome.failures.add(libsFolder, baseFiles.error);
        return outcome;
    }
    std::map<std::string, DirEntry, FileNameLess> present(FileNameLess{&files});
    const FsResult listed = files.enumerate(target + "\\*.*", [&present](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") {
            present.emplace(entry.name, entry);
        }
    });
    if (!listed) {
        outcome.failures.add(target, listed.error());
        return outcome;
    }

    Journal journal;
    journal.folders.emplace_back();
    for (const DirEntry& entry : baseFiles.files) {
        const auto found = present.find(entry.name);
        if (found == present.end() || found->second.isFolder) {
            continue;
        }
        if ((found->second.attributes & kReadOnly) != 0) {
            // Windows refuses to delete it. The others are still tried, so that every file that
            // stops the removal is named.
            outcome.failures.add(target + "\\" + entry.name, kErrorAccessDenied);
        } else {
            journal.changes.push_back(Change{ChangeKind::Remove, 0, entry.name, {}});
        }
    }
    if (journal.changes.empty()) {
        return outcome;
    }

    FsResult made;
    std::optional<WorkFolder> work = WorkFolder::create(
        files, target, [&present](const std::string& name) { return present.count(name) != 0; },
        made);
    if (!work) {
        if (made.error() == kErrorSharingViolation) {
            outcome.busy = true;
        } else {
            outcome.failures.add(target, made.error());
        }
        return outcome;
    }
    for (Change& change : journal.changes) {
        made = work->nextFileSlot(change.slot);
        if (!made) {
            break;
        }
    }
    if (made) {
        made = work->writeJournal(journal);
    }
    if (!made) {
        outcome.failures.add(work->path(), made.error());
        work->remove();
        return outcome;
    }

    // Every file is tried, so that every one in use is named.
    progress.setTotal(2 * journal.changes.size());
    for (const Change& change : journal.changes) {
        const std::string place = changedPath(target, journal, change);
        const FsResult moved = files.moveFile(place, work->oldAt(change.slot));
        if (!moved) {
            outcome.failures.add(place, moved.error());
        }
        progress.step();
    }
    if (concludeChanges(files, *work, target, journal, outcome, progress)) {
        outcome.files = journal.changes.size();
    }
    return outcome;
}

} // namespace velk
