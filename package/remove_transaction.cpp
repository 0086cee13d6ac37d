#include "package/remove_transaction.h"

#include <map>
#include <optional>

#include "package/transaction.h"

namespace velk {

WorkOutcome removeInstalled(FileSystem& files, const std::string& target,
                            const std::string& libsFolder, const PackageListing& baseFiles,
                            WorkProgress& progress, const InUseCheck& inUse) {
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

    std::vector<Change> changes;
    for (const DirEntry& entry : baseFiles.files) {
        const auto found = present.find(entry.name);
        if (found == present.end() || found->second.isFolder) {
            continue;
        }
        if ((found->second.attributes & kAttributeReadOnly) != 0) {
            // Windows refuses to delete it. The others are still tried, so that every file that
            // stops the removal is named.
            outcome.failures.add(target + "\\" + entry.name, kErrorAccessDenied);
        } else {
            changes.push_back(Change{ChangeKind::Remove, 0, entry.name, {}});
        }
    }
    if (changes.empty()) {
        return outcome;
    }

    FsResult made;
    std::optional<Transaction> transaction = Transaction::begin(
        files, target, [&present](const std::string& name) { return present.count(name) != 0; },
        made);
    if (!transaction) {
        if (made.error() == kErrorSharingViolation) {
            outcome.busy = true;
        } else {
            outcome.failures.add(target, made.error());
        }
        return outcome;
    }
    for (Change& change : changes) {
        made = transaction->work().nextFileSlot(change.slot);
        if (!made) {
            outcome.failures.add(transaction->work().path(), made.error());
            transaction->abandon();
            return outcome;
        }
    }
    transaction->setFolders({""});
    for (Change& change : changes) {
        transaction->add(std::move(change));
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
