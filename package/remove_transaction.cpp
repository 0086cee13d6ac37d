#include "package/remove_transaction.h"

#include <functional>
#include <memory>
#include <optional>

#include "package/transaction.h"
#include "package/work_folder_name.h"

namespace velk {

namespace {

// Calls `visit` with every package file of `libsFolder`, one by one; a folder that does not
// exist has none. Returns the listing's failure.
FsResult eachBaseFile(FileSystem& files, const std::string& libsFolder,
                      const std::function<void(const DirEntry&)>& visit) {
    if (!files.folderExists(libsFolder)) {
        return {};
    }
    return files.enumerate(libsFolder + "\\*.*", [&visit](const DirEntry& entry) {
        if (isPackageFile(entry)) {
            visit(entry);
        }
    });
}

} // namespace

WorkOutcome removeInstalled(FileSystem& files, const std::string& target,
                            const std::string& libsFolder, WorkProgress& progress,
                            const InUseCheck& inUse) {
    WorkOutcome outcome;
    // The file of the target named like a base file, when it is one to remove.
    const auto removable = [&](const DirEntry& entry) {
        const std::optional<DirEntry> found = files.entryNamed(target, entry.name);
        return found && !found->isFolder ? found : std::nullopt;
    };

    // Looked at once before the work, so that a listing that does not get to its end removes
    // nothing, and every read-only file is named.
    std::size_t removals = 0;
    FsResult listed = eachBaseFile(files, libsFolder, [&](const DirEntry& entry) {
        const std::optional<DirEntry> found = removable(entry);
        if (found && (found->attributes & kAttributeReadOnly) != 0) {
            // Windows refuses to delete it. The others are still tried, so that every file that
            // stops the removal is named.
            outcome.failures.add(target + "\\" + entry.name, kErrorAccessDenied);
        } else if (found) {
            ++removals;
        }
    });
    if (!listed) {
        outcome.failures = FailureList();
        outcome.failures.add(libsFolder, listed.error());
        return outcome;
    }
    // A search for the work folders' names reads the target as a listing does, and holds nothing
    // where a search keeps every entry it matches until it ends (Wine).
    const FsResult targetListed =
        files.enumerate(target + "\\" + std::string(kWorkFolderPattern), [](const DirEntry&) {});
    if (!targetListed) {
        outcome.failures = FailureList();
        outcome.failures.add(target, targetListed.error());
        return outcome;
    }
    if (removals == 0) {
        return outcome;
    }
    // Held to the end, so that nobody can swap the target for another folder while the work
    // moves files out of it and back.
    std::unique_ptr<HeldFile> heldTarget;
    if (const FsResult held = files.holdFolder(target, heldTarget); !held) {
        outcome.failures.add(target, held.error());
        return outcome;
    }

    FsResult made;
    std::optional<Transaction> transaction = Transaction::begin(
        files, target,
        [&](const std::string& name) { return files.entryNamed(target, name).has_value(); }, made);
    if (!transaction) {
        outcome.notBegun(target, made.error());
        return outcome;
    }
    transaction->setFolders({""});
    listed = eachBaseFile(files, libsFolder, [&](const DirEntry& entry) {
        const std::optional<DirEntry> found = removable(entry);
        if (!made || !found || (found->attributes & kAttributeReadOnly) != 0) {
            return;
        }
        Change change{ChangeKind::Remove, 0, entry.name, {}};
        made = transaction->work().nextFileSlot(change.slot);
        if (made) {
            transaction->add(change);
        }
    });
    if (!made || !listed) {
        outcome.failures.add(made ? libsFolder : transaction->work().path(),
                             made ? listed.error() : made.error());
        transaction->abandon();
        return outcome;
    }

    // Every file is tried, so that every one in use is named.
    progress.setTotal(2 * transaction->size());
    transaction->setInUseCheck(inUse);
    if (transaction->run(outcome, progress, Transaction::AfterFailure::TryTheRest)) {
        outcome.files = transaction->size();
    }
    return outcome;
}

} // namespace velk
