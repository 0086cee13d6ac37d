#include "package/transaction.h"

#include <array>
#include <utility>

namespace velk {

namespace {

// The files of one change: its place in the target, the new file (or folder) at its slot, and
// the old file kept at the slot's ".old".
struct ChangeFiles {
    std::string place;
    std::string fresh;
    std::string old;
};

// --- each kind of change, made and undone ----------------------------------------------------
// An undo looks at which files exist to tell how far the change was made, so that an undo run
// again (after a kill) finds nothing left to undo.

// A new file, or a new folder whole, moves from the work folder into its place.
FsResult moveIn(FileSystem& files, const ChangeFiles& change) {
    return files.moveFile(change.fresh, change.place);
}
// Made when the new file is no longer in the work folder. Undone, it is back there.
FsResult undoAdd(FileSystem& files, const ChangeFiles& change) {
    if (!files.fileExists(change.fresh) && files.fileExists(change.place)) {
        return files.moveFile(change.place, change.fresh);
    }
    return {};
}

// The old file has a second name at ".old" when the volume makes hard links (given it while the
// new one was made ready): the new one then replaces it in one step. Else the old one is moved
// out first.
FsResult makeReplace(FileSystem& files, const ChangeFiles& change) {
    if (files.fileExists(change.old)) {
        return files.replaceFile(change.fresh, change.place);
    }
    const FsResult movedOut = files.moveFile(change.place, change.old);
    return movedOut ? files.moveFile(change.fresh, change.place) : movedOut;
}
// The old file is kept. The new one is in its place when it left the work folder, and goes back
// there; the place is empty when the old file was moved out but the new one not yet in; both
// names lead to the old file when it was only linked, and nothing was changed.
FsResult undoReplace(FileSystem& files, const ChangeFiles& change) {
    if (!files.fileExists(change.old)) {
        return files.fileExists(change.fresh) ? FsResult() : FsResult::failure(kErrorFileNotFound);
    }
    const bool placed = files.fileExists(change.place);
    const bool staged = files.fileExists(change.fresh);
    FsResult result;
    if (!staged && placed) {
        result = files.moveFile(change.place, change.fresh);
    }
    if (result && (!staged || !placed)) {
        result = files.moveFile(change.old, change.place);
    }
    return result;
}

FsResult undoNewFolder(FileSystem& files, const ChangeFiles& change) {
    if (!files.folderExists(change.fresh) && files.folderExists(change.place)) {
        return files.moveFile(change.place, change.fresh);
    }
    return {};
}

FsResult makeRemove(FileSystem& files, const ChangeFiles& change) {
    return files.moveFile(change.place, change.old);
}
FsResult undoRemove(FileSystem& files, const ChangeFiles& change) {
    return files.fileExists(change.old) ? files.moveFile(change.old, change.place) : FsResult();
}

struct ChangeRule {
    FsResult (*make)(FileSystem&, const ChangeFiles&);
    FsResult (*undo)(FileSystem&, const ChangeFiles&);
    bool keepsOld; // an old file is kept at ".old" until the work is finished
};
// In the order of ChangeKind.
constexpr std::array<ChangeRule, 4> kRules = {{
    {moveIn, undoAdd, false},
    {makeReplace, undoReplace, true},
    {moveIn, undoNewFolder, false},
    {makeRemove, undoRemove, true},
}};
// --- end of the kinds of change ----------------------------------------------------------------

const ChangeRule& ruleOf(const Change& change) {
    return kRules[static_cast<std::size_t>(change.kind)];
}

ChangeFiles filesOf(const WorkFolder& work, const std::string& target, const Journal& journal,
                    const Change& change) {
    return {changedPath(target, journal, change), work.at(change.slot), work.oldAt(change.slot)};
}

// Undoes the changes of `journal`, last first, as far as they were made. Adds each place it
// cannot put back to `notRestored`.
void undoChanges(FileSystem& files, const WorkFolder& work, const std::string& target,
                 const Journal& journal, FailureList& notRestored) {
    for (auto change = journal.changes.rbegin(); change != journal.changes.rend(); ++change) {
        const ChangeFiles at = filesOf(work, target, journal, *change);
        const FsResult undone = ruleOf(*change).undo(files, at);
        if (!undone) {
            notRestored.add(at.place, undone.error());
        }
    }
}

std::size_t oldFilesOf(const Journal& journal) {
    std::size_t count = 0;
    for (const Change& change : journal.changes) {
        count += ruleOf(change).keepsOld ? 1 : 0;
    }
    return count;
}

// Deletes the old files kept for the changes of a committed journal, telling `progress` of
// each, then the work folder.
void finishChanges(FileSystem& files, WorkFolder& work, const Journal& journal,
                   WorkProgress& progress) {
    for (const Change& change : journal.changes) {
        if (ruleOf(change).keepsOld) {
            discardFile(files, work.oldAt(change.slot)); // what stays goes with the work folder
            progress.step();
        }
    }
    work.remove();
}

} // namespace

std::optional<Transaction> Transaction::begin(FileSystem& files, const std::string& target,
                                              const std::function<bool(const std::string&)>& taken,
                                              FsResult& failure) {
    std::optional<WorkFolder> work = WorkFolder::create(files, target, taken, failure);
    if (!work) {
        return std::nullopt;
    }
    return Transaction(files, target, std::move(*work));
}

bool Transaction::run(WorkOutcome& outcome, WorkProgress& progress, AfterFailure afterFailure) {
    // Where the work already failed, it fails whatever is in use: each change names the files it
    // meets in use.
    if (inUseCheck_ && outcome.failures.empty()) {
        std::vector<std::string> kept;
        for (const Change& change : journal_.changes) {
            if (ruleOf(change).keepsOld) {
                kept.push_back(changedPath(target_, journal_, change));
            }
        }
        const FailureList stopping = kept.empty() ? FailureList() : inUseCheck_(kept);
        if (!stopping.empty()) {
            for (const FailureList::Failure& failure : stopping.all()) {
                outcome.failures.add(failure.path, failure.error);
            }
            work_->remove();
            return false;
        }
    }
    const FsResult written = work_->writeJournal(journal_);
    if (!written) {
        outcome.failures.add(work_->path(), written.error());
        work_->remove();
        return false;
    }
    for (const Change& change : journal_.changes) {
        const ChangeFiles at = filesOf(*work_, target_, journal_, change);
        const FsResult made = ruleOf(change).make(*files_, at);
        if (!made) {
            outcome.failures.add(at.place, made.error());
            if (afterFailure == AfterFailure::Stop) {
                break;
            }
        }
        progress.step();
    }
    if (outcome.failures.empty()) {
        const FsResult committed = work_->commit();
        if (!committed) {
            outcome.failures.add(work_->path(), committed.error());
        }
    }
    if (!outcome.failures.empty()) {
        undoChanges(*files_, *work_, target_, journal_, outcome.notRestored);
        if (outcome.notRestored.empty() && work_->dropJournal()) {
            work_->remove();
        }
        return false;
    }
    finishChanges(*files_, *work_, journal_, progress);
    return true;
}

std::string changedPath(const std::string& target, const Journal& journal, const Change& change) {
    const std::string& folder = journal.folders[change.folder];
    const std::string base = folder.empty() ? target : target + "\\" + folder;
    return change.name.empty() ? base : base + "\\" + change.name;
}

FailureList recoverInterruptedWork(FileSystem& files, const std::string& target,
                                   std::vector<WorkFolder>& interrupted, WorkProgress& progress) {
    FailureList notRestored;
    for (WorkFolder& work : interrupted) {
        const std::optional<Journal>& journal = work.journal();
        if (work.committed()) {
            progress.setTotal(oldFilesOf(*journal));
            finishChanges(files, work, *journal, progress);
            continue;
        }
        if (journal) {
            const std::size_t before = notRestored.count();
            undoChanges(files, work, target, *journal, notRestored);
            if (notRestored.count() != before || !work.dropJournal()) {
                continue; // kept for a later run to try again
            }
        }
        work.remove();
    }
    return notRestored;
}

} // namespace velk
