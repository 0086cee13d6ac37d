#pragma once
// A change to a target folder made all or nothing. Installation and removal say which changes
// they want (package/journal.h: a new file, a replacement, a new folder, a removal), each with
// its slot in the work folder (package/work_folder.h), where a new file is made ready before and
// an old one is kept after; the transaction writes them down in the journal, flushed, before the
// first of them, makes them in order, and then commits them or, when one failed, undoes every
// one made, last first. A run killed anywhere on the way is finished or undone by the next one.
//
// How each kind of change is made and undone is written once, side by side (transaction.cpp);
// whether a change was made is told by which of its files exist, so that an undo that is itself
// killed can be run again.
//
// The words of this code and its comments:
// - target: the library folder the work changes; its folders: the target and the language
//   folders below it that the journal names.
// - work folder: the hidden "~VelkInstall.work" (or numbered) folder in the target, marked by
//   its file "begun", which the run that works there holds open.
// - slot: a place in the work folder, "N\M" for a file (in the slot folder "N"), "fN" for a new
//   folder. A file is staged at its slot: copied there whole before any change.
// - old file: the file a change replaces or removes, kept at the slot's ".old" (a hard link to
//   it where the volume makes them, made while staging; else it is moved there) until commit.
// - change: one entry of the journal (add, replace, new folder, remove, attributes), made and
//   undone by its rule; kept file: an installed file that holds the package's bytes already
//   and stays, only its attributes changed.
// - commit: the journal renamed to "committed"; the old files and the work folder then go.
// - recovery: what the next run does with a killed run's work folder: finish it when
//   committed, else undo its changes, last first.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/install_report.h"
#include "package/journal.h"
#include "package/work_folder.h"
#include "platform/file_system.h"
#include "platform/work_progress.h"

namespace velk {

// The files an in-use check looks at, in batches of a bounded size: calls `batch` with each, in
// the order of the changes; may be called again for another look.
using PathBatches =
    std::function<void(const std::function<void(const std::vector<std::string>&)>& batch)>;
// Looks, before the first change, at the files of the target that the changes replace or move
// out (full paths), on the thread that runs the work: gives the ones that stop the transaction
// (each with the error that stops it), or none to go on.
using InUseCheck = std::function<FailureList(const PathBatches& files)>;

// How many paths an in-use check is given at once.
inline constexpr std::size_t kInUseBatch = 1000;

class Transaction {
  public:
    // Starts a transaction in `target` with the work folder WorkFolder::create makes; nothing,
    // with the reason in `failure`, when it cannot be made (kErrorSharingViolation: another run
    // works in the target).
    static std::optional<Transaction> begin(FileSystem& files, const std::string& target,
                                            const std::function<bool(const std::string&)>& taken,
                                            FsResult& failure);

    WorkFolder& work() { return *work_; }
    // The target's folders the changes are in, as paths below it: "" (the target) comes first.
    // Named once, before the first change is added: the journal is begun with them.
    void setFolders(const std::vector<std::string>& folders);
    // Adds a change, made in the order added; it is written to the journal at once. Its slot
    // must be one of the work folder's. `oldKept`: the file it replaces has its second name at
    // the slot's ".old" already, given a moment ago by an opening for its deletion that nobody
    // held it against, and the in-use check passes it by.
    void add(const Change& change, bool oldKept = false);
    std::size_t size() const { return count_; }
    // Asked by run() before the journal is put in place; none: nothing is looked at.
    void setInUseCheck(InUseCheck check) { inUseCheck_ = std::move(check); }

    // Whether a failed change stops the others: an installation stops at the first, a removal
    // tries every one, so that it can name every file that stops it.
    enum class AfterFailure { Stop, TryTheRest };
    // Asks the in-use check, when there is one, `outcome` holds no failure yet, and the changes
    // replace or move out any file;
    // when it names files, adds them to `outcome.failures` and deletes the work folder: nothing
    // was changed. Otherwise puts the journal in place, makes every change (telling `progress`
    // of each) and commits them, then deletes what they moved out (telling `progress` of each old
    // file) and the work folder. When anything fails, adds it to `outcome.failures`, undoes every
    // change made and adds what the undo could not put back to `outcome.notRestored`. True when
    // committed.
    bool run(WorkOutcome& outcome, WorkProgress& progress, AfterFailure afterFailure);
    // Deletes the work folder of a transaction that made no change.
    void abandon();

  private:
    Transaction(FileSystem& files, std::string target, WorkFolder work)
        : files_(&files), target_(std::move(target)), work_(std::move(work)) {}
    // Deletes the work folder of a transaction that made no change.
    void giveUp();
    // The in-use check's answer; false when it stopped the transaction.
    bool filesFree(const JournalReader& journal, WorkOutcome& outcome);

    FileSystem* files_;
    std::string target_;
    std::optional<WorkFolder> work_;
    std::optional<JournalWriter> journal_;
    FsResult written_; // the first failure to write the journal
    std::size_t count_ = 0;
    std::size_t keepsOld_ = 0; // changes that replace or move out a file
    std::size_t oldKept_ = 0;  // of them, those whose old file has its second name already
    InUseCheck inUseCheck_;
};

// The place in the target that `change` is about (`target` as the work's paths were made,
// `folders` the journal's).
std::string changedPath(const std::string& target, const std::vector<std::string>& folders,
                        const Change& change);

// Finishes or undoes the work of every earlier run that was killed in `target`: the target then
// holds one version whole. Returns the places that could not be put back (the work folder and
// its journal then stay, for a later run to try again). `tell` is given a sentence for each
// work folder: what was finished or undone, and how it ended.
FailureList recoverInterruptedWork(FileSystem& files, const std::string& target,
                                   std::vector<WorkFolder>& interrupted, WorkProgress& progress,
                                   const std::function<void(const std::string&)>& tell = {});

} // namespace velk
