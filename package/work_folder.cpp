#include "package/work_folder.h"

#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "package/work_folder_name.h"
#include "platform/app_error.h"

namespace velk {

namespace {

constexpr std::string_view kMarkName = "begun";
constexpr std::string_view kMark = "VelkInstall work folder 1\n";
constexpr std::string_view kJournalName = "journal";
constexpr std::string_view kTemporaryJournalName = "journal.tmp";
constexpr std::string_view kCommittedName = "committed";
// How many numbered names the work folder tries before it gives up.
constexpr int kNameTries = 1000;

// How long a run waits for another's work folder that is being made, and for its own mark while
// another run looks at it.
constexpr auto kSettingUp = std::chrono::seconds(2);
constexpr auto kPoll = std::chrono::milliseconds(10);
// How often a run makes its work folder again when another run removed it before it was marked.
constexpr int kRemakes = 3;
constexpr unsigned long kErrorPathNotFound = 3; // ERROR_PATH_NOT_FOUND

} // namespace

namespace {

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
        if (entry.isFolder &&
            ((entry.attributes & kAttributeReparsePoint) != 0 || files.isLink(path))) {
            all = files.removeFolder(path) && all; // the link itself, never what it leads to
        } else if (entry.isFolder) {
            all = deleteContents(files, path) && files.removeFolder(path) && all;
        } else {
            all = files.discardFile(path) && all;
        }
    }
    return all;
}

// True when the mark of the work folder at `folder` is held open by a run (or being written by
// one): that run is working there now.
bool busy(FileSystem& files, const std::string& folder) {
    std::string mark;
    return files.readSmallFile(folder + "\\" + std::string(kMarkName), kMark.size(), mark)
               .error() == kErrorSharingViolation;
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

// What a found work folder holds, as far as its journal may name it.
struct WorkEntries {
    bool link = false;           // an entry that is a link, through which the work would reach
                                 // whatever it leads to (or the folder could not be listed)
    std::size_t slotFolders = 0; // sub-folders of file slots ("N")
};

WorkEntries entriesOf(FileSystem& files, const std::string& folder) {
    WorkEntries found;
    const FsResult listed = files.enumerate(folder + "\\*.*", [&](const DirEntry& entry) {
        if (entry.name == "." || entry.name == "..") {
            return;
        }
        found.link = found.link || (entry.attributes & kAttributeReparsePoint) != 0 ||
                     (entry.isFolder && files.isLink(folder + "\\" + entry.name));
        if (entry.isFolder && entry.name.find_first_not_of("0123456789") == std::string::npos) {
            ++found.slotFolders;
        }
    });
    found.link = found.link || !listed;
    return found;
}

// How many entries the folders of the target that `journal` names hold, at most `most`.
std::size_t entriesIn(FileSystem& files, const std::string& target,
                      const std::vector<std::string>& folders, std::size_t most) {
    std::size_t count = 0;
    for (const std::string& folder : folders) {
        files.enumerate(folder.empty() ? target + "\\*.*" : target + "\\" + folder + "\\*.*",
                        [&count](const DirEntry&) { ++count; });
        if (count > most) {
            break;
        }
    }
    return count;
}

// True when the journal names no more changes than a run could have made with what the work
// folder and the target hold: a file slot for each file change, a folder of its own for each new
// folder, an entry of the target for each attribute change. So a journal planted to keep a run
// busy for hours is refused before it is carried out.
bool withinBounds(FileSystem& files, const std::string& target, const JournalReader& journal,
                  const WorkEntries& entries) {
    const std::size_t fileChanges = journal.count(ChangeKind::Add) +
                                    journal.count(ChangeKind::Replace) +
                                    journal.count(ChangeKind::Remove);
    const std::size_t attributes = journal.count(ChangeKind::Attributes);
    return fileChanges <= entries.slotFolders * kFilesPerSlotFolder &&
           journal.count(ChangeKind::NewFolder) < journal.folders().size() &&
           (attributes == 0 ||
            attributes <= entriesIn(files, target, journal.folders(), attributes));
}

// True when a folder of the target below it that `journal` names, or a folder on the way there,
// is a link.
bool leadsThroughLink(FileSystem& files, const std::string& target,
                      const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        for (std::size_t cut = folder.find('\\'); !folder.empty();
             cut = folder.find('\\', cut + 1)) {
            if (files.isLink(target + "\\" + folder.substr(0, cut))) {
                return true;
            }
            if (cut == std::string::npos) {
                break;
            }
        }
    }
    return false;
}

// Another run that made its work folder while this one made its own, under the name of a lower
// `number`: the one with the lowest goes on, the others stop before they change anything. A
// folder that another run is still making (empty, or marked but not yet held) is waited for a
// moment; one that stays so was left by a run killed while making it, and the next run's look
// for earlier work takes it up.
bool yieldsToAnother(FileSystem& files, const std::string& target, int number) {
    for (const DirEntry& other : workFolderCandidates(files, target)) {
        if (workFolderNumber(other.name) >= number) {
            continue;
        }
        const std::string path = target + "\\" + other.name;
        const auto deadline = std::chrono::steady_clock::now() + kSettingUp;
        for (;;) {
            if (busy(files, path)) {
                return true;
            }
            const bool beingMade = isEmptyFolder(files, path) ||
                                   files.fileExists(path + "\\" + std::string(kMarkName));
            if (!beingMade || std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            std::this_thread::sleep_for(kPoll);
        }
    }
    return false;
}

} // namespace

std::optional<WorkFolder> WorkFolder::create(FileSystem& files, const std::string& target,
                                             const std::function<bool(const std::string&)>& taken,
                                             FsResult& failure) {
    failure = FsResult::failure(kErrorFileExists);
    int remade = 0;
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
        // Nobody but the administrators may plant anything in the folder of an elevated run. A
        // file server that refuses to change its rights keeps the work as safe as its target.
        files.restrictToAdministrators(path);
        WorkFolder made(files, path);
        // Held while the run works, so that nobody can swap it for a link or another folder.
        if (failure = files.holdFolder(path, made.folder_); !failure) {
            files.removeFolder(path);
            return std::nullopt;
        }
        // The mark is held from the moment it exists, by the opening that writes it: no other run
        // ever reads it half written or finds it let go while this one works.
        const std::string mark = made.at(std::string(kMarkName));
        failure = files.createNewFile(mark, made.markWriter_);
        if (failure.nameTaken()) {
            // Another run took this folder for a killed run's, removed it and made its own.
            failure = FsResult::failure(kErrorSharingViolation);
            return std::nullopt;
        }
        if (failure.error() == kErrorPathNotFound && remade++ < kRemakes) {
            --number; // removed so by another run before it was marked: made again
            continue;
        }
        if (failure) {
            files.restrictToAdministrators(mark);
            failure = made.markWriter_->write(kMark);
        }
        if (failure) {
            failure = made.markWriter_->flush();
        }
        if (failure && yieldsToAnother(files, target, number)) {
            failure = FsResult::failure(kErrorSharingViolation);
        }
        if (!failure) {
            made.remove();
            return std::nullopt;
        }
        return made;
    }
    return std::nullopt;
}

WorkFolder::Earlier WorkFolder::findIn(FileSystem& files, const std::string& target) {
    Earlier earlier;
    for (const DirEntry& candidate : workFolderCandidates(files, target)) {
        WorkFolder folder(files, target + "\\" + candidate.name);
        switch (folder.takeUp(candidate, target)) {
        case Found::Interrupted:
            earlier.interrupted.push_back(std::move(folder));
            break;
        case Found::Busy:
            earlier.busy.push_back(folder.path());
            break;
        case Found::Untrusted:
            earlier.untrusted.push_back(folder.path());
            break;
        case Found::NotOurs:
            break;
        }
    }
    return earlier;
}

WorkFolder::Found WorkFolder::takeUp(const DirEntry& candidate, const std::string& target) {
    const Found found = look(candidate, target);
    // A run that ended a moment ago removed its folder after it was listed: nothing is there.
    if (found == Found::Untrusted && !files_->folderExists(path_) && !files_->isLink(path_)) {
        return Found::NotOurs;
    }
    return found;
}

WorkFolder::Found WorkFolder::look(const DirEntry& candidate, const std::string& target) {
    // Held first, so that what is checked below stays what the run works in.
    if ((candidate.attributes & kAttributeReparsePoint) != 0 ||
        !files_->holdFolder(path_, folder_) || files_->isLink(path_)) {
        return Found::Untrusted;
    }
    if (files_->ownerOf(path_) == FileSystem::Owner::Other) {
        return Found::Untrusted;
    }
    const std::string markPath = at(std::string(kMarkName));
    std::string mark;
    // A run that is making its folder holds it, so that taking it for a killed run's cannot
    // remove it, and marks it a moment later with the mark held from its first byte.
    const FsResult read = files_->readSmallFile(markPath, kMark.size(), mark);
    if (read.error() == kErrorSharingViolation) {
        return Found::Busy;
    }
    if (read.error() == kErrorFileNotFound) {
        // What a run killed between making the folder and marking it (or between deleting the
        // mark and the folder) left is hidden and empty: removing it loses nothing. Any other
        // folder without a mark is the user's.
        return (candidate.attributes & kAttributeHidden) != 0 && isEmptyFolder(*files_, path_)
                   ? Found::Interrupted
                   : Found::NotOurs;
    }
    if (!read) {
        return Found::Untrusted; // no regular file, larger than a mark, or unreadable
    }
    if (kMark.substr(0, mark.size()) != mark) {
        return Found::NotOurs; // a file of the mark's name that no run of ours wrote
    }
    // Held from here on, so that no other run takes it up as well. A mark that cannot be held
    // for another reason (read-only media) is taken up all the same.
    if (files_->holdFile(markPath, mark_).error() == kErrorSharingViolation) {
        return Found::Busy;
    }
    const WorkEntries entries = entriesOf(*files_, path_);
    if (entries.link) {
        return Found::Untrusted;
    }
    FsResult journal;
    journal_ = JournalReader::open(*files_, committedPath(), journal);
    committed_ = static_cast<bool>(journal);
    if (journal.error() == kErrorFileNotFound) {
        journal_ = JournalReader::open(*files_, journalPath(), journal);
        if (journal.error() == kErrorFileNotFound) {
            return Found::Interrupted; // killed before its first change
        }
    }
    // The target is held while the journal is carried out, as it is while a run works.
    if (journal_ && !files_->holdFolder(target, target_)) {
        journal_.reset();
        return Found::Untrusted;
    }
    if (!journal_ || leadsThroughLink(*files_, target, journal_->folders()) ||
        !withinBounds(*files_, target, *journal_, entries)) {
        journal_.reset();
        return Found::Untrusted;
    }
    return Found::Interrupted;
}

FsResult WorkFolder::nextFileSlot(std::string& slot) {
    const std::string folder = std::to_string(fileSlots_ / kFilesPerSlotFolder);
    if (fileSlots_ % kFilesPerSlotFolder == 0) {
        FsResult made = files_->createFolder(at(folder));
        std::unique_ptr<HeldFile> held;
        if (made) {
            made = files_->holdFolder(at(folder), held);
        }
        if (!made) {
            return made;
        }
        slotFolders_.push_back(std::move(held));
    }
    slot = folder + "\\" + std::to_string(fileSlots_ % kFilesPerSlotFolder);
    ++fileSlots_;
    return {};
}

FsResult WorkFolder::nextFolderSlot(std::string& slot) {
    slot = "f" + std::to_string(folderSlots_++);
    return files_->createFolder(at(slot));
}

std::string WorkFolder::temporaryJournal() const {
    return at(std::string(kTemporaryJournalName));
}
std::string WorkFolder::journalPath() const {
    return at(std::string(kJournalName));
}
std::string WorkFolder::committedPath() const {
    return at(std::string(kCommittedName));
}

FsResult WorkFolder::placeJournal() {
    const std::string temporary = temporaryJournal();
    // Whoever may change files in the target may not change what the next run carries out.
    files_->restrictToAdministrators(temporary);
    const FsResult result = files_->moveFile(temporary, journalPath());
    if (!result) {
        files_->discardFile(temporary);
    }
    return result;
}

FsResult WorkFolder::commit() {
    return files_->moveFile(journalPath(), committedPath());
}

FsResult WorkFolder::dropJournal() {
    return files_->deleteFile(journalPath());
}

void WorkFolder::remove() {
    slotFolders_.clear(); // let go of, so that they can be removed
    // The finished work's journal goes first: what a run killed on the way leaves is then work
    // that changed nothing, never a journal whose slots are gone.
    files_->discardFile(committedPath());
    // The mark goes last: a folder that still holds anything of the work stays known as ours.
    if (!deleteContents(*files_, path_, kMarkName)) {
        return;
    }
    mark_.reset(); // let go of, so that it can be deleted
    markWriter_.reset();
    const FsResult unmarked = files_->deleteFile(at(std::string(kMarkName)));
    if (unmarked || unmarked.error() == kErrorFileNotFound) {
        folder_.reset();
        files_->removeFolder(path_);
    }
}

} // namespace velk
