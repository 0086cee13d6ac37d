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

// Looks, before the first change, at the files of the target that the changes replace or move
// out (full paths, in the order of the changes), on the thread that runs the work: gives the
// ones that stop the transaction (each with the error that stops it), or none to go on.
using InUseCheck = std::function<FailureList(const std::vector<std::string>& files)>;

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
    void setFolders(std::vector<std::string> folders) { journal_.folders = std::move(folders); }
    // Adds a change, made in the order added. Its slot must be one of the work folder's.
    void add(Change change) { journal_.changes.push_back(std::move(change)); }
    std::size_t size() const { return journal_.changes.size(); }
    // Asked by run() before the journal is written; none: nothing is looked at.
    void setInUseCheck(InUseCheck check) { inUseCheck_ = std::move(check); }

    // Whether a failed change stops the others: an installation stops at the first, a removal
    // tries every one, so that it can name every file that stops it.
    enum class AfterFailure { Stop, TryTheRest };
    // Asks the in-use check, when there is one, `outcome` holds no failure yet, and the changes
    // replace or move out any file;
    // when it names files, adds them to `outcome.failures` and deletes the work folder: nothing
    // was changed. Otherwise writes the journal, makes every change (telling `progress` of each)
    // and commits them, then deletes what they moved out (telling `progress` of each old file) and
    // the work folder. When anything fails, adds it to `outcome.failures`, undoes every change made
    // and adds what the undo could not put back to `outcome.notRestored`. True when committed.
    bool run(WorkOutcome& outcome, WorkProgress& progress, AfterFailure afterFailure);
    // Deletes the work folder of a transaction that made no change.
    void abandon() { work_->remove(); }

  private:
    Transaction(FileSystem& files, std::string target, WorkFolder work)
        : files_(&files), target_(std::move(target)), work_(std::move(work)) {}

    FileSystem* files_;
    std::string target_;
    std::optional<WorkFolder> work_;
    Journal journal_;
    InUseCheck inUseCheck_;
};

// The place in the target that `change` is about (`target` as the work's paths were made).
std::string changedPath(const std::string& target, const Journal& journal, const Change& change);

// Finishes or undoes the work of every earlier run that was killed in `target`: the target then
// holds one version whole. Returns the places that could not be put back (the work folder and
// its journal then stay, for a later run to try again).
FailureList recoverInterruptedWork(FileSystem& files, const std::string& target,
                                   std::vector<WorkFolder>& interrupted, WorkProgress& progress);

} // namespace velk
