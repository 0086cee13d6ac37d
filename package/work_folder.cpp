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
// How many files a sub-folder of the work folder holds at most (with their old files, twice as
// many names).
constexpr std::size_t kFilesPerFolder = 128;
// How many numbered names the work folder tries before it gives up.
constexpr int kNameTries = 1000;

// How long a run waits for another's work folder that is being made, and for its own mark while
// another run looks at it.
constexpr auto kSettingUp = std::chrono::seconds(2);
constexpr auto kPoll = std::chrono::milliseconds(10);

} // namespace

FsResult discardFile(FileSystem& files, const std::string& path) {
    FsResult deleted = files.deleteFile(path);
    if (!deleted && deleted.error() == kErrorAccessDenied && files.clearReadOnly(path)) {
        deleted = files.deleteFile(path);
    }
    return deleted;
}

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
            if ((entry.attributes & kAttributeReadOnly) != 0) {
                files.clearReadOnly(path);
            }
            all = files.deleteFile(path) && all;
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

// True when the entries of the work folder at `folder` include a link, through which its undo
// or clean-up would reach whatever it leads to.
bool holdsLink(FileSystem& files, const std::string& folder) {
    bool link = false;
    const FsResult listed = files.enumerate(folder + "\\*.*", [&](const DirEntry& entry) {
        link = link || (entry.name != "." && entry.name != ".." &&
                        ((entry.attributes & kAttributeReparsePoint) != 0 ||
                         (entry.isFolder && files.isLink(folder + "\\" + entry.name))));
    });
    return link || !listed;
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
        const std::string mark = path + "\\" + std::string(kMarkName);
        failure = files.writeNewFile(mark, kMark);
        if (failure) {
            files.restrictToAdministrators(mark); // before it is held: held, it cannot be
        }
        if (!failure) {
            discardFile(files, mark);
            files.removeFolder(path);
            return std::nullopt;
        }
        WorkFolder made(files, path);
        // A run that made its folder after this one may be looking at this mark for a moment.
        const auto deadline = std::chrono::steady_clock::now() + kSettingUp;
        while ((failure = files.holdFile(mark, made.mark_)).error() == kErrorSharingViolation &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPoll);
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
    if ((candidate.attributes & kAttributeReparsePoint) != 0 || files_->isLink(path_)) {
        return Found::Untrusted;
    }
    if (files_->ownerOf(path_) == FileSystem::Owner::Other) {
        return Found::Untrusted;
    }
    const std::string markPath = at(std::string(kMarkName));
    std::string mark;
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
    if (holdsLink(*files_, path_)) {
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
    if (!journal_ || leadsThroughLink(*files_, target, journal_->folders())) {
        journal_.reset();
        return Found::Untrusted;
    }
    return Found::Interrupted;
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
        discardFile(*files_, temporary);
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

} // namespace velk
