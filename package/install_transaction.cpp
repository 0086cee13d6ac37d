#include "package/install_transaction.h"

#include <map>
#include <optional>

#include "package/transaction.h"

namespace velk {

namespace {

// Errors that say the volume makes no hard links at all.
constexpr unsigned long kErrorInvalidFunction = 1; // ERROR_INVALID_FUNCTION
constexpr unsigned long kErrorNotSupported = 50;   // ERROR_NOT_SUPPORTED

// An entry of a folder of the target.
struct Existing {
    std::uint32_t attributes = 0; // with kAttributeDirectory for a folder
    std::uint64_t size = 0;
};
// What a folder of the target holds, by name.
using Entries = std::map<std::string, Existing, FileNameLess>;

// A folder of the target as the installation finds it.
struct TargetFolder {
    enum class State { Existing, New, Unusable };
    State state = State::Existing;
    unsigned long error = 0; // why its files cannot go there, when unusable
    Entries entries;         // what an existing folder holds
    std::string slot;        // where a new one is made ready in the work folder
};

// One file the installation puts into the target.
struct PlannedFile {
    std::size_t folder = 0;
    const DirEntry* first = nullptr;    // the first package file listed for its place: its name
    const FolderCopy* copy = nullptr;   // the package folder of the one installed, the last listed
    const DirEntry* entry = nullptr;    // and that file
    const Existing* replaced = nullptr; // the file it takes the place of
    std::string slot;                   // where it is made ready (in an existing folder)
    bool failed = false;                // known to fail before it is copied
    // The file it would replace holds its bytes already: left in place, not copied.
    bool kept = false;
    bool attributesSet = false; // a kept file's attributes were changed to the package file's

    const std::string& name() const { return first->name; }
};

class Installation {
  public:
    Installation(FileSystem& files, const CopyPlan& plan, WorkProgress& progress)
        : files_(files), plan_(plan), progress_(progress) {}

    WorkOutcome run() {
        survey();
        gather();
        if (stage() && swap()) {
            outcome_.files = planned_.size();
            for (const PlannedFile& file : planned_) {
                outcome_.unchanged += file.kept ? 1 : 0;
            }
        }
        return std::move(outcome_);
    }

  private:
    std::string placeOf(const PlannedFile& file) const {
        return plan_.folderPath(file.folder) + "\\" + file.name();
    }

    // Lists every folder of the target that files go to, and the package folders' failures.
    void survey() {
        FileNames reported(FileNameLess{&files_});
        for (const FolderCopy& copy : plan_.copies) {
            if (!copy.listing.complete && reported.insert(copy.source).second) {
                outcome_.failures.add(copy.source, copy.listing.error);
            }
        }
        for (std::size_t i = 0; i <= plan_.subfolders.size(); ++i) {
            folders_.push_back(
                TargetFolder{TargetFolder::State::Existing, 0, Entries(FileNameLess{&files_}), {}});
        }
        list(0);
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            TargetFolder& folder = folders_[i];
            const auto found = folders_[0].entries.find(plan_.subfolders[i - 1]);
            if (!isPlainName(plan_.subfolders[i - 1])) {
                // No folder of the system has such a name, and no journal can hold it.
                folder.state = TargetFolder::State::Unusable;
                folder.error = kErrorInvalidName;
            } else if (found == folders_[0].entries.end()) {
                folder.state = TargetFolder::State::New;
            } else if ((found->second.attributes & kAttributeDirectory) == 0) {
                folder.state = TargetFolder::State::Unusable; // a file of that name
                folder.error = kErrorAlreadyExists;
            } else if ((found->second.attributes & kAttributeReparsePoint) != 0 ||
                       files_.isLink(plan_.folderPath(i))) {
                // A link would take the files wherever it leads.
                folder.state = TargetFolder::State::Unusable;
            } else {
                list(i);
            }
        }
    }

    void list(std::size_t index) {
        TargetFolder& folder = folders_[index];
        const FsResult listed =
            files_.enumerate(plan_.folderPath(index) + "\\*.*", [&folder](const DirEntry& entry) {
                if (entry.name != "." && entry.name != "..") {
                    folder.entries.emplace(
                        entry.name,
                        Existing{entry.attributes | (entry.isFolder ? kAttributeDirectory : 0),
                                 entry.size});
                }
            });
        if (!listed) {
            outcome_.failures.add(plan_.folderPath(index), listed.error());
        }
    }

    // Every file the plan installs, once per place: where several package files go to one
    // place, the last one in copying order is installed.
    void gather() {
        std::vector<std::map<std::string, std::size_t, FileNameLess>> index(
            folders_.size(),
            std::map<std::string, std::size_t, FileNameLess>(FileNameLess{&files_}));
        for (const FolderCopy& copy : plan_.copies) {
            for (const DirEntry& entry : copy.listing.files) {
                const auto [place, added] = index[copy.into].emplace(entry.name, planned_.size());
                if (added) {
                    PlannedFile file;
                    file.folder = copy.into;
                    file.first = &entry;
                    planned_.push_back(std::move(file));
                }
                PlannedFile& file = planned_[place->second];
                file.copy = &copy;
                file.entry = &entry;
            }
        }
        for (PlannedFile& file : planned_) {
            const TargetFolder& folder = folders_[file.folder];
            if (folder.state == TargetFolder::State::Unusable) {
                outcome_.failures.add(placeOf(file), folder.error);
                file.failed = true;
                continue;
            }
            const auto found = folder.entries.find(file.name());
            if (found == folder.entries.end()) {
                continue;
            }
            file.replaced = &found->second;
            // Windows refuses to replace a folder. A read-only file is refused only when it must
            // be replaced (stageOne), as one that holds the package file's bytes stays.
            if ((found->second.attributes & kAttributeDirectory) != 0) {
                outcome_.failures.add(placeOf(file), kErrorAccessDenied);
                file.failed = true;
            }
        }
    }

    // Makes every file ready in the work folder. False, with nothing changed in the target,
    // when any of them fails.
    bool stage() {
        // The work folder's name must be free, and none the installation puts into the target.
        const auto taken = [this](const std::string& name) {
            if (folders_[0].entries.count(name) != 0) {
                return true;
            }
            for (const std::string& subfolder : plan_.subfolders) {
                if (files_.compareFileNames(subfolder, name) == 0) {
                    return true;
                }
            }
            for (const PlannedFile& file : planned_) {
                if (file.folder == 0 && files_.compareFileNames(file.name(), name) == 0) {
                    return true;
                }
            }
            return false;
        };
        FsResult made;
        transaction_ = Transaction::begin(files_, plan_.target, taken, made);
        if (!transaction_) {
            if (made.error() == kErrorSharingViolation) {
                outcome_.busy = true;
            } else {
                outcome_.failures.add(plan_.target, made.error());
            }
            return false;
        }

        std::size_t replaced = 0;
        std::size_t changes = 0;
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            if (folders_[i].state == TargetFolder::State::New) {
                ++changes;
                const FsResult slot = transaction_->work().nextFolderSlot(folders_[i].slot);
                if (!slot) {
                    outcome_.failures.add(plan_.folderPath(i), slot.error());
                    workFolderFailed_ = true;
                }
            }
        }
        for (const PlannedFile& file : planned_) {
            replaced += file.replaced != nullptr ? 1 : 0;
            changes += folders_[file.folder].state == TargetFolder::State::New ? 0 : 1;
        }
        progress_.setTotal(planned_.size() + changes + replaced);

        // After a failure the other files are still copied, so that every failure is reported,
        // but not when the work folder itself fails.
        for (PlannedFile& file : planned_) {
            if (!file.failed && !workFolderFailed_) {
                stageOne(file);
            }
            progress_.step();
            if (file.kept) {
                progress_.step(); // its change and the deletion of its old file, neither needed
                progress_.step();
            }
        }
        if (outcome_.failures.empty()) {
            setKeptAttributes();
        }
        if (!outcome_.failures.empty()) {
            restoreKeptAttributes();
            transaction_->abandon();
            return false;
        }
        return true;
    }

    // True when the file the package file would replace holds its bytes already. Sizes first,
    // then the bytes, read side by side (cheaper than a copy, which writes); file times are never
    // trusted. A link, or a file that cannot be read, is replaced.
    bool unchanged(const PlannedFile& file) {
        if (file.replaced == nullptr || file.replaced->size != file.entry->size ||
            (file.replaced->attributes & kAttributeReparsePoint) != 0) {
            return false;
        }
        bool same = false;
        return files_.compareContents(file.copy->source + "\\" + file.entry->name, placeOf(file),
                                      same) &&
               same;
    }

    // The attributes a file takes from its package file: hidden and system as there, never
    // read-only, so that the next installation and the removal can replace and delete it.
    static std::uint32_t attributesFrom(const DirEntry& entry) {
        return entry.attributes & kAttributeKept & ~kAttributeReadOnly;
    }

    // Gives each file left in place the attributes a copy would have got, before the first
    // change, so that one that refuses fails the installation while the target is as it was.
    void setKeptAttributes() {
        for (PlannedFile& file : planned_) {
            const std::uint32_t wanted = attributesFrom(*file.entry);
            if (!file.kept || (file.replaced->attributes & kAttributeKept) == wanted) {
                continue;
            }
            const FsResult set = files_.setKeptAttributes(placeOf(file), wanted);
            if (!set) {
                outcome_.failures.add(placeOf(file), set.error());
                return;
            }
            file.attributesSet = true;
        }
    }

    // Gives the files left in place their attributes back when the installation is undone.
    void restoreKeptAttributes() {
        for (PlannedFile& file : planned_) {
            if (file.attributesSet) {
                const FsResult set =
                    files_.setKeptAttributes(placeOf(file), file.replaced->attributes);
                if (!set) {
                    outcome_.notRestored.add(placeOf(file), set.error());
                }
                file.attributesSet = false;
            }
        }
    }

    void stageOne(PlannedFile& file) {
        const TargetFolder& folder = folders_[file.folder];
        const std::string place = placeOf(file);
        if (unchanged(file)) {
            file.kept = true;
            return;
        }
        if (file.replaced != nullptr && (file.replaced->attributes & kAttributeReadOnly) != 0) {
            outcome_.failures.add(place, kErrorAccessDenied); // Windows replaces no read-only file
            return;
        }
        std::string staged;
        if (folder.state == TargetFolder::State::New) {
            staged = transaction_->work().at(folder.slot) + "\\" + file.name();
        } else {
            const FsResult slot = transaction_->work().nextFileSlot(file.slot);
            if (!slot) {
                outcome_.failures.add(place, slot.error());
                workFolderFailed_ = true;
                return;
            }
            staged = transaction_->work().at(file.slot);
        }
        FsResult copied = files_.copyNewFile(file.copy->source + "\\" + file.entry->name, staged);
        if (copied && (file.entry->attributes & kAttributeReadOnly) != 0) {
            copied = files_.clearReadOnly(staged);
        }
        if (!copied) {
            outcome_.failures.add(place, copied.error());
            // What a copy that ran out of space wrote is deleted at once, to free that space for
            // the copies after it.
            files_.clearReadOnly(staged);
            files_.deleteFile(staged);
            return;
        }
        if (file.replaced != nullptr) {
            // A second name for the old file keeps it while the new one takes its place; a link
            // is moved out itself, whatever it leads to.
            if (hardLinks_ && (file.replaced->attributes & kAttributeReparsePoint) == 0) {
                const FsResult linked =
                    files_.linkFile(place, transaction_->work().oldAt(file.slot));
                if (linked.error() == kErrorSharingViolation) {
                    outcome_.failures.add(place, linked.error()); // in use: it cannot be replaced
                } else if (!linked) {
                    hardLinks_ = linked.error() != kErrorInvalidFunction &&
                                 linked.error() != kErrorNotSupported;
                }
            }
        }
    }

    // Makes every change; undoes them all when one fails. True when all were made and
    // committed.
    bool swap() {
        std::vector<std::string> folders{""};
        folders.insert(folders.end(), plan_.subfolders.begin(), plan_.subfolders.end());
        transaction_->setFolders(std::move(folders));
        for (const PlannedFile& file : planned_) {
            if (folders_[file.folder].state != TargetFolder::State::New && !file.kept) {
                transaction_->add(
                    Change{file.replaced != nullptr ? ChangeKind::Replace : ChangeKind::Add,
                           file.folder, file.name(), file.slot});
            }
        }
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            if (folders_[i].state == TargetFolder::State::New) {
                transaction_->add(Change{ChangeKind::NewFolder, i, {}, folders_[i].slot});
            }
        }
        const bool committed =
            transaction_->run(outcome_, progress_, Transaction::AfterFailure::Stop);
        if (!committed) {
            restoreKeptAttributes();
        }
        return committed;
    }

    FileSystem& files_;
    const CopyPlan& plan_;
    WorkProgress& progress_;
    WorkOutcome outcome_;
    std::vector<TargetFolder> folders_; // 0 the target, i its subfolder i - 1 of the plan
    std::vector<PlannedFile> planned_;
    std::optional<Transaction> transaction_;
    bool hardLinks_ = true;
    bool workFolderFailed_ = false;
};

} // namespace

WorkOutcome installPlanned(FileSystem& files, const CopyPlan& plan, WorkProgress& progress) {
    return Installation(files, plan, progress).run();
}

} // namespace velk
