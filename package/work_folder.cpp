#include "package/work_folder.h"

#include <memory>
#include <utility>

#include "package/text_compare.h"
#include "package/work_folder_name.h"
#include "platform/app_error.h"

namespace velk {

namespace {

constexpr std::string_view kMarkName = "begun";
constexpr std::string_view kMark = "VelkInstall work folder 1\n";
constexpr std::string_view kJournalName = "journal";
constexpr std::string_view kTemporaryJournalName = "journal.tmp";
constexpr std::string_view kCommittedName = "committed";
// How many files a sub-folder of the work folder holds at most (with their old files, twice as
// many names).
constexpr std::size_t kFilesPerFolder = 128;
// How many numbered names the work folder tries before it gives up.
constexpr int kNameTries = 1000;

constexpr std::uint32_t kReadOnly = 0x1; // FILE_ATTRIBUTE_READONLY
constexpr std::uint32_t kHidden = 0x2;   // FILE_ATTRIBUTE_HIDDEN

// Deletes a file of ours, read-only or not.
FsResult discard(FileSystem& files, const std::string& path) {
    FsResult deleted = files.deleteFile(path);
    if (!deleted && deleted.error() == kErrorAccessDenied && files.clearReadOnly(path)) {
        deleted = files.deleteFile(path);
    }
    return deleted;
}

// Deletes everything in `folder` but the file `keep`; true when nothing else is left.
bool deleteContents(FileSystem& files, const std::string& folder, std::string_view keep = {}) {
    std::vector<DirEntry> entries;
    if (!files.enumerate(folder + "\\*.*",
                         [&entries](const DirEntry& entry) { entries.push_back(entry); })) {
        return false;
    }
    bool all = true;
    for (const DirEntry& entry : entries) {
        const std::string path = folder + "\\" + entry.name;
        if (entry.name == "." || entry.name == ".." || entry.name == keep) {
            continue;
        }
        if (entry.isFolder) {
            all = deleteContents(files, path) && files.removeFolder(path) && all;
        } else {
            if ((entry.attributes & kReadOnly) != 0) {
                files.clearReadOnly(path);
            }
            all = files.deleteFile(path) && all;
        }
    }
    return all;
}

// True when the folder holds the mark of a work folder, or what a run killed while writing it
// left of it.
bool isMarked(FileSystem& files, const std::string& folder) {
    const std::string mark = folder + "\\" + std::string(kMarkName);
    try {
        if (!files.fileExists(mark)) {
            return false;
        }
        const std::string content = files.readFile(mark);
        return content.size() <= kMark.size() && kMark.substr(0, content.size()) == content;
    } catch (const AppError&) {
        return false; // a mark that cannot be read: the folder is not known to be ours
    }
}

// True when another run holds the folder's mark: it is working there now.
bool busyElsewhere(FileSystem& files, const std::string& folder) {
    std::unique_ptr<HeldFile> held;
    return files.holdFile(folder + "\\" + std::string(kMarkName), held).error() ==
           kErrorSharingViolation;
}

// The work folders in `target`, as the system lists them.
std::vector<DirEntry> workFolderCandidates(FileSystem& files, const std::string& target) {
    std::vector<DirEntry> candidates;
    files.enumerate(target + "\\" + std::string(kWorkFolderPattern),
                    [&candidates](const DirEntry& entry) {
                        if (entry.isFolder && isWorkFolderName(entry.name)) {
                            candidates.push_back(entry);
                        }
                    });
    return candidates;
}

// True for a folder with nothing in it. A hidden empty folder of a work folder's name is what a
// run killed between making it and marking it (or between deleting the mark and the folder)
// left; removing it loses nothing.
bool isEmptyFolder(FileSystem& files, const std::string& folder) {
    bool empty = true;
    const FsResult listed = files.enumerate(folder + "\\*.*", [&empty](const DirEntry& entry) {
        empty = empty && (entry.name == "." || entry.name == "..");
    });
    return listed && empty;
}

} // namespace

std::optional<WorkFolder> WorkFolder::create(FileSystem& files, const std::string& target,
                                             const std::function<bool(const std::string&)>& taken,
                                             FsResult& failure) {
    failure = FsResult::failure(kErrorFileExists);
    for (int number = 1; number <= kNameTries; ++number) {
        const std::string name = workFolderName(number);
        if (taken(name)) {
            continue;
        }
        const std::string path = target + "\\" + name;
        failure = files.createHiddenFolder(path);
        if (failure.nameTaken()) {
            continue;
        }
        if (!failure) {
            return std::nullopt;
        }
        const std::string mark = path + "\\" + std::string(kMarkName);
        failure = files.writeNewFile(mark, kMark);
        if (!failure) {
            discard(files, mark);
            files.removeFolder(path);
            return std::nullopt;
        }
        WorkFolder made(files, path);
        failure = files.holdFile(mark, made.mark_);
        if (failure) {
            // Another run that began after this one's look for earlier work: the first to
            // hold its mark goes on, the other stops before it changes anything.
            for (const DirEntry& other : workFolderCandidates(files, target)) {
                if (files.compareFileNames(other.name, name) != 0 &&
                    busyElsewhere(files, target + "\\" + other.name)) {
                    failure = FsResult::failure(kErrorSharingViolation);
                    break;
                }
            }
        }
        if (!failure) {
            made.remove();
            return std::nullopt;
        }
        return made;
    }
    return std::nullopt;
}

std::vector<WorkFolder> WorkFolder::findIn(FileSystem& files, const std::string& target,
                                           std::vector<std::string>& busy) {
    std::vector<WorkFolder> found;
    for (const DirEntry& candidate : workFolderCandidates(files, target)) {
        const std::string path = target + "\\" + candidate.name;
        if (isMarked(files, path)) {
            // Held from here on, so that no other run takes it up as well. A mark that cannot
            // be held for another reason (read-only media) is taken up all the same.
            WorkFolder folder(files, path);
            if (files.holdFile(folder.at(std::string(kMarkName)), folder.mark_).error() ==
                kErrorSharingViolation) {
                busy.push_back(path);
            } else {
                found.push_back(std::move(folder));
            }
        } else if (busyElsewhere(files, path)) {
            busy.push_back(path); // its mark cannot be read while another run holds it
        } else if ((candidate.attributes & kHidden) != 0 && isEmptyFolder(files, path)) {
            found.push_back(WorkFolder(files, path));
        }
    }
    return found;
}

FsResult WorkFolder::nextFileSlot(std::string& slot) {
    const std::string folder = std::to_string(fileSlots_ / kFilesPerFolder);
    if (fileSlots_ % kFilesPerFolder == 0) {
        const FsResult made = files_->createFolder(at(folder));
        if (!made) {
            return made;
        }
    }
    slot = folder + "\\" + std::to_string(fileSlots_ % kFilesPerFolder);
    ++fileSlots_;
    return {};
}

FsResult WorkFolder::nextFolderSlot(std::string& slot) {
    slot = "f" + std::to_string(folderSlots_++);
    return files_->createFolder(at(slot));
}

FsResult WorkFolder::writeJournal(const Journal& journal) {
    const std::string temporary = at(std::string(kTemporaryJournalName));
    FsResult result = files_->writeNewFile(temporary, journalText(journal));
    if (result) {
        result = files_->moveFile(temporary, at(std::string(kJournalName)));
    }
    if (!result) {
        discard(*files_, temporary);
    }
    return result;
}

FsResult WorkFolder::commit() {
    return files_->moveFile(at(std::string(kJournalName)), at(std::string(kCommittedName)));
}

FsResult WorkFolder::dropJournal() {
    return files_->deleteFile(at(std::string(kJournalName)));
}

void WorkFolder::remove() {
    // The mark goes last: a folder that still holds anything of the work stays known as ours.
    if (!deleteContents(*files_, path_, kMarkName)) {
        return;
    }
    mark_.reset(); // let go of, so that it can be deleted
    const FsResult unmarked = files_->deleteFile(at(std::string(kMarkName)));
    if (unmarked || unmarked.error() == kErrorFileNotFound) {
        files_->removeFolder(path_);
    }
}

bool WorkFolder::readJournal(std::optional<Journal>& journal, bool& committed) {
    journal.reset();
    committed = files_->fileExists(at(std::string(kCommittedName)));
    const std::string path = at(std::string(committed ? kCommittedName : kJournalName));
    if (!committed && !files_->fileExists(path)) {
        return true;
    }
    try {
        journal = parseJournal(files_->readFile(path));
    } catch (const AppError&) {
        return false;
    }
    return journal.has_value();
}

std::string changedPath(const std::string& target, const Journal& journal, const Change& change) {
    const std::string& folder = journal.folders[change.folder];
    const std::string base = folder.empty() ? target : target + "\\" + folder;
    return change.name.empty() ? base : base + "\\" + change.name;
}

void undoChanges(FileSystem& files, WorkFolder& work, const std::string& target,
                 const Journal& journal, FailureList& notRestored) {
    for (auto change = journal.changes.rbegin(); change != journal.changes.rend(); ++change) {
        const std::string place = changedPath(target, journal, *change);
        const std::string fresh = work.at(change->slot);
        const std::string old = work.oldAt(change->slot);
        FsResult result;
        switch (change->kind) {
        case ChangeKind::Add:
            // Made when the new file is no longer in the work folder. Undone, it is back there:
            // an undo that is run again finds nothing to undo.
            if (!files.fileExists(fresh) && files.fileExists(place)) {
                result = files.moveFile(place, fresh);
            }
            break;
        case ChangeKind::NewFolder:
            if (!files.folderExists(fresh) && files.folderExists(place)) {
                result = files.moveFile(place, fresh);
            }
            break;
        case ChangeKind::Remove:
            if (files.fileExists(old)) {
                result = files.moveFile(old, place);
            }
            break;
        case ChangeKind::Replace:
            if (files.fileExists(old)) {
                // The old file is kept. The new one is in its place when it left the work
                // folder, and goes back there; the place is empty when the old file was moved
                // out but the new one not yet in; both names lead to the old file when it was
                // only linked, and nothing was changed.
                const bool placed = files.fileExists(place);
                const bool staged = files.fileExists(fresh);
                if (!staged && placed) {
                    result = files.moveFile(place, fresh);
                }
                if (result && (!staged || !placed)) {
                    result = files.moveFile(old, place);
                }
            } else if (!files.fileExists(fresh)) {
                result = FsResult::failure(kErrorFileNotFound); // neither is left
            }
            break;
        }
        if (!result) {
            notRestored.add(place, result.error());
        }
    }
}

void finishChanges(FileSystem& files, WorkFolder& work, const Journal& journal,
                   WorkProgress& progress) {
    for (const Change& change : journal.changes) {
        if (change.kind == ChangeKind::Replace || change.kind == ChangeKind::Remove) {
            discard(files, work.oldAt(change.slot)); // what stays goes with the work folder
            progress.step();
        }
    }
    work.remove();
}

bool concludeChanges(FileSystem& files, WorkFolder& work, const std::string& target,
                     const Journal& journal, WorkOutcome& outcome, WorkProgress& progress) {
    if (outcome.failures.empty()) {
        const FsResult committed = work.commit();
        if (!committed) {
            outcome.failures.add(work.path(), committed.error());
        }
    }
    if (!outcome.failures.empty()) {
        undoChanges(files, work, target, journal, outcome.notRestored);
        if (outcome.notRestored.empty() && work.dropJournal()) {
            work.remove();
        }
        return false;
    }
    finishChanges(files, work, journal, progress);
    return true;
}

FailureList recoverInterruptedWork(FileSystem& files, const std::string& target,
                                   std::vector<WorkFolder>& interrupted, WorkProgress& progress) {
    FailureList notRestored;
    for (WorkFolder& work : interrupted) {
        std::optional<Journal> journal;
        bool committed = false;
        if (!work.readJournal(journal, committed)) {
            notRestored.add(work.path());
            continue;
        }
        if (committed) {
            std::size_t oldFiles = 0;
            for (const Change& change : journal->changes) {
                if (change.kind == ChangeKind::Replace || change.kind == ChangeKind::Remove) {
                    ++oldFiles;
                }
            }
            progress.setTotal(oldFiles);
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
