#include "package/transaction.h"

#include <array>
#include <optional>
#include <utility>

namespace velk {

namespace {

// The files of one change: its place in the target, the new file (or folder) at its slot, and
// the old file kept at the slot's ".old".
struct ChangeFiles {
    std::string place;
    std::string fresh;
    std::string old;
    std::uint32_t before = 0; // an attribute change's attributes
    std::uint32_t after = 0;
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

// True when the work folder's file `path` is there: asked by its name, which, made by the work,
// no other file has as its short alias (no search, which under Wine opens the folder).
bool workFileThere(FileSystem& files, const std::string& path) {
    const std::size_t cut = path.find_last_of('\\');
    const std::optional<DirEntry> entry =
        files.entryNamed(path.substr(0, cut), path.substr(cut + 1));
    return entry && !entry->isFolder;
}

// The old file has a second name at ".old" when the volume makes hard links (given it while the
// new one was made ready): the new one then replaces it in one step. Else the old one is moved
// out first.
FsResult makeReplace(FileSystem& files, const ChangeFiles& change) {
    if (workFileThere(files, change.old)) {
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

// A file left in place takes the attributes of a copy; undone, it has its own back. Setting
// attributes a file has already changes nothing, so either can be run again.
FsResult makeAttributes(FileSystem& files, const ChangeFiles& change) {
    return files.setKeptAttributes(change.place, change.after);
}
FsResult undoAttributes(FileSystem& files, const ChangeFiles& change) {
    return files.setKeptAttributes(change.place, change.before);
}

struct ChangeRule {
    FsResult (*make)(FileSystem&, const ChangeFiles&);
    FsResult (*undo)(FileSystem&, const ChangeFiles&);
    bool keepsOld; // an old file is kept at ".old" until the work is finished
};
// In the order of ChangeKind.
constexpr std::array<ChangeRule, 5> kRules = {{
    {moveIn, undoAdd, false},
    {makeReplace, undoReplace, true},
    {moveIn, undoNewFolder, false},
    {makeRemove, undoRemove, true},
    {makeAttributes, undoAttributes, false},
}};
// --- end of the kinds of change ----------------------------------------------------------------

const ChangeRule& ruleOf(const Change& change) {
    return kRules[static_cast<std::size_t>(change.kind)];
}

ChangeFiles filesOf(const WorkFolder& work, const std::string& target, const JournalReader& journal,
                    const Change& change) {
    if (change.kind == ChangeKind::Attributes) {
        return {
            changedPath(target, journal.folders(), change), {}, {}, change.before, change.after};
    }
    return {changedPath(target, journal.folders(), change), work.at(change.slot),
            work.oldAt(change.slot)};
}

// Undoes the changes of `journal`, last first, as far as they were made. Adds each place it
// cannot put back to `notRestored` (the work folder, when the journal cannot be read).
//
// A change whose slot folder is not in the work folder was never made (each is made before the
// first change and goes only with the work folder): the target is as it was there, whatever
// a journal that no run of ours wrote says.
void undoChanges(FileSystem& files, const WorkFolder& work, const std::string& target,
                 const JournalReader& journal, FailureList& notRestored) {
    std::string slotFolder;
    bool slotFolderThere = false;
    const FsResult read = journal.backward([&](const Change& change) {
        if (change.kind != ChangeKind::Attributes && change.kind != ChangeKind::NewFolder) {
            const std::string folder = change.slot.substr(0, change.slot.find('\\'));
            if (folder != slotFolder) {
                slotFolder = folder;
                slotFolderThere = files.folderExists(work.at(folder));
            }
            if (!slotFolderThere) {
                return;
            }
        }
        const ChangeFiles at = filesOf(work, target, journal, change);
        const FsResult undone = ruleOf(change).undo(files, at);
        if (!undone) {
            notRestored.add(at.place, undone.error());
        }
    });
    if (!read) {
        notRestored.add(work.path(), read.error());
    }
}

// How many old files the changes of `journal` keep; nothing when it cannot be read.
std::optional<std::size_t> oldFilesOf(const JournalReader& journal) {
    std::size_t count = 0;
    const FsResult read =
        journal.forward([&count](const Change& change) { count += ruleOf(change).keepsOld; });
    return read ? std::optional<std::size_t>(count) : std::nullopt;
}

// Deletes the old files kept for the changes of a committed journal, telling `progress` of
// each, then the work folder. A journal that cannot be read keeps the work folder, for a later
// run to finish.
void finishChanges(FileSystem& files, WorkFolder& work, const JournalReader& journal,
                   WorkProgress& progress) {
    const FsResult read = journal.forward([&](const Change& change) {
        if (ruleOf(change).keepsOld) {
            files.discardFile(work.oldAt(change.slot)); // what stays goes with the work folder
            progress.step();
        }
    });
    if (read) {
        work.remove();
    }
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

void Transaction::setFolders(const std::vector<std::string>& folders) {
    written_ = JournalWriter::create(*files_, work_->temporaryJournal(), folders, journal_);
}

void Transaction::add(const Change& change, bool oldKept) {
    ++count_;
    keepsOld_ += ruleOf(change).keepsOld ? 1 : 0;
    oldKept_ += ruleOf(change).keepsOld && oldKept ? 1 : 0;
    if (written_) {
        written_ = journal_ ? journal_->add(change) : FsResult::failure(kErrorInvalidName);
    }
}

void Transaction::giveUp() {
    work_->remove();
}

void Transaction::abandon() {
    journal_.reset(); // closed, so that it can be deleted
    work_->remove();
}

bool Transaction::filesFree(const JournalReader& journal, WorkOutcome& outcome) {
    // Where the work already failed, it fails whatever is in use: each change names the files it
    // meets in use.
    if (!inUseCheck_ || !outcome.failures.empty() || keepsOld_ == oldKept_) {
        return true;
    }
    FsResult read;
    const PathBatches paths = [&](const auto& batch) {
        std::vector<std::string> some;
        read = journal.forward([&](const Change& change) {
            // An old file with its second name already was free a moment ago.
            if (ruleOf(change).keepsOld &&
                (oldKept_ == 0 || !workFileThere(*files_, work_->oldAt(change.slot)))) {
                some.push_back(changedPath(target_, journal.folders(), change));
            }
            if (some.size() == kInUseBatch) {
                batch(some);
                some.clear();
            }
        });
        if (!some.empty()) {
            batch(some);
        }
    };
    const FailureList stopping = inUseCheck_(paths);
    if (!read) {
        outcome.failures.add(work_->path(), read.error());
    }
    for (const FailureList::Failure& failure : stopping.all()) {
        outcome.failures.add(failure.path, failure.error);
    }
    return outcome.failures.empty();
}

bool Transaction::run(WorkOutcome& outcome, WorkProgress& progress, AfterFailure afterFailure) {
    if (!journal_ && written_) {
        setFolders({}); // no folders were named: no change can be added
    }
    FsResult written = written_;
    if (journal_) {
        const FsResult finished = journal_->finish();
        written = written ? finished : written;
        journal_.reset();
    }
    std::optional<JournalReader> journal;
    if (written) {
        journal = JournalReader::open(*files_, work_->temporaryJournal(), written);
    }
    if (journal && !filesFree(*journal, outcome)) {
        giveUp();
        return false;
    }
    if (journal) {
        written = work_->placeJournal();
        journal->movedTo(work_->journalPath());
    }
    if (!written) {
        outcome.failures.add(work_->path(), written.error());
        giveUp();
        return false;
    }
    bool stopped = false;
    const FsResult read = journal->forward([&](const Change& change) {
        if (stopped) {
            return;
        }
        const ChangeFiles at = filesOf(*work_, target_, *journal, change);
        const FsResult made = ruleOf(change).make(*files_, at);
        if (!made) {
            outcome.failures.add(at.place, made.error());
            stopped = afterFailure == AfterFailure::Stop;
            if (stopped) {
                return;
            }
        }
        progress.step();
    });
    if (!read) {
        outcome.failures.add(work_->path(), read.error());
    }
    if (outcome.failures.empty()) {
        const FsResult committed = work_->commit();
        if (committed) {
            journal->movedTo(work_->committedPath());
        } else {
            outcome.failures.add(work_->path(), committed.error());
        }
    }
    if (!outcome.failures.empty()) {
        undoChanges(*files_, *work_, target_, *journal, outcome.notRestored);
        if (outcome.notRestored.empty() && work_->dropJournal()) {
            work_->remove();
        }
        return false;
    }
    finishChanges(*files_, *work_, *journal, progress);
    return true;
}

std::string changedPath(const std::string& target, const std::vector<std::string>& folders,
                        const Change& change) {
    const std::string& folder = folders[change.folder];
    const std::string base = folder.empty() ? target : target + "\\" + folder;
    return change.name.empty() ? base : base + "\\" + change.name;
}

FailureList recoverInterruptedWork(FileSystem& files, const std::string& target,
                                   std::vector<WorkFolder>& interrupted, WorkProgress& progress,
                                   const std::function<void(const std::string&)>& tell) {
    const auto said = [&tell](const WorkFolder& work, const std::string& what) {
        if (tell) {
            tell("The interrupted work in \"" + work.path() + "\" " + what);
        }
    };
    FailureList notRestored;
    for (WorkFolder& work : interrupted) {
        const std::optional<JournalReader>& journal = work.journal();
        if (work.committed()) {
            const std::optional<std::size_t> oldFiles = oldFilesOf(*journal);
            if (!oldFiles) {
                said(work, "had made every change; its journal cannot be read to the end, so it "
                           "stays for a later run to finish");
                continue;
            }
            progress.setTotal(*oldFiles);
            finishChanges(files, work, *journal, progress);
            said(work, "had made every change (" + std::to_string(journal->size()) +
                           "): it was finished, and the files it had replaced or removed deleted");
            continue;
        }
        if (journal) {
            const std::size_t before = notRestored.count();
            undoChanges(files, work, target, *journal, notRestored);
            if (notRestored.count() != before || !work.dropJournal()) {
                said(work,
                     "could not be undone whole: " + std::to_string(notRestored.count() - before) +
                         " place(s) could not be restored, and it stays for a later run");
                continue;
            }
            said(work, "was undone: the " + std::to_string(journal->size()) +
                           " change(s) it had planned are taken back where they were made");
        } else {
            said(work, "had changed nothing in the target: its folder was deleted");
        }
        work.remove();
    }
    return notRestored;
}

} // namespace velk
