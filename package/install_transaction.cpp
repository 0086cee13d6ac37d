#include "package/install_transaction.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "package/folder_names.h"
#include "package/package_files.h"
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

// The entry of `folder` named `name`, asked of the file system by that name alone.
std::optional<Existing> existingIn(FileSystem& files, const std::string& folder,
                                   const std::string& name) {
    const std::optional<DirEntry> entry = files.entryNamed(folder, name);
    if (!entry) {
        return std::nullopt;
    }
    return Existing{entry->attributes | (entry->isFolder ? kAttributeDirectory : 0), entry->size};
}

// A folder of the target as the installation finds it.
struct TargetFolder {
    enum class State { Existing, New, Unusable };
    State state = State::Existing;
    unsigned long error = 0;              // why its files cannot go there, when unusable
    std::string slot;                     // where a new one is made ready in the work folder
    std::optional<std::string> finalPath; // where it really lies, once asked
    FolderNames names;                    // what it held when surveyed
};

// One file the installation puts into the target: of the package files that go to its place,
// the last in copying order is installed, under the name of the first.
struct PlannedFile {
    std::size_t folder = 0;
    std::string name;                 // its name in the target
    const FolderCopy* copy = nullptr; // the package folder of the one installed
    DirEntry entry;                   // and that file
    std::optional<Existing> replaced; // the file it takes the place of
};

class Installation {
  public:
    Installation(FileSystem& files, const CopyPlan& plan, WorkProgress& progress,
                 const InUseCheck& inUse)
        : files_(files), plan_(plan), progress_(progress), inUse_(inUse) {}

    WorkOutcome run() {
        survey();
        count();
        if (stage() && swap()) {
            outcome_.files = planned_;
            outcome_.unchanged = kept_;
        }
        return std::move(outcome_);
    }

  private:
    std::string placeOf(const PlannedFile& file) const {
        return plan_.folderPath(file.folder) + "\\" + file.name;
    }

    // Finds every folder of the target that files go to, and holds each that is there until the
    // installation ends: checked once, none can then be swapped for a link or another folder.
    void survey() {
        folders_.resize(plan_.subfolders.size() + 1);
        if (const FsResult held = hold(0); !held) {
            outcome_.failures.add(plan_.target, held.error());
        }
        readNames(0);
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            TargetFolder& folder = folders_[i];
            const std::optional<Existing> found = existing(0, plan_.subfolders[i - 1]);
            if (!isPlainName(plan_.subfolders[i - 1])) {
                // No folder of the system has such a name, and no journal can hold it.
                folder.state = TargetFolder::State::Unusable;
                folder.error = kErrorInvalidName;
            } else if (!found) {
                folder.state = TargetFolder::State::New;
            } else if ((found->attributes & kAttributeDirectory) == 0) {
                folder.state = TargetFolder::State::Unusable; // a file of that name
                folder.error = kErrorAlreadyExists;
            } else if ((found->attributes & kAttributeReparsePoint) != 0) {
                folder.state = TargetFolder::State::Unusable; // a link, whose files go elsewhere
            } else if (const FsResult held = hold(i); !held) {
                folder.state = TargetFolder::State::Unusable;
                folder.error = held.error();
            } else if (files_.isLink(plan_.folderPath(i))) {
                folder.state = TargetFolder::State::Unusable; // asked once it cannot change
            } else {
                readNames(i);
            }
        }
    }

    // Holds the folder `index` of the plan (a link itself, never what it leads to).
    FsResult hold(std::size_t index) {
        std::unique_ptr<HeldFile> held;
        const FsResult result = files_.holdFolder(plan_.folderPath(index), held);
        if (result) {
            held_.push_back(std::move(held));
        }
        return result;
    }

    // Reads the names of the folder `index` of the target once. A folder that cannot be listed
    // is a failure: what it holds cannot be told.
    void readNames(std::size_t index) {
        FsResult listed;
        folders_[index].names = FolderNames::read(files_, plan_.folderPath(index), listed);
        if (!listed) {
            outcome_.failures.add(plan_.folderPath(index), listed.error());
        }
    }

    // Calls `visit` with every file the plan installs, once per place, where the first package
    // file for that place is listed, package folder by package folder, without holding a
    // listing: of several package files that go to one place, the last one in copying order is
    // installed, under the name of the first. A package folder that cannot be listed whole is
    // reported (each once) when `reportListings`. `listed` is given how many package files each
    // package folder holds. Only files the listing marks as links are asked whether they lead
    // out, and only in the first walk when it found none: where a listing may show a link as a
    // plain file, stageOne asks each file it copies or compares where it lies (under Wine each
    // such question opens the file and asks another process; the comparison tells it of the file
    // it opens anyway).
    void forEachPlanned(const std::function<void(PlannedFile&)>& visit, bool reportListings,
                        std::vector<std::size_t>& listed) {
        listed.assign(plan_.copies.size(), 0);
        linkFree_.resize(plan_.copies.size(), false);
        FileNames reported(FileNameLess{&files_});
        const std::vector<FolderCopy>& copies = plan_.copies;
        // A package folder that is missing, or a link leading out of the package, has no files.
        // It is not searched: a search for a name in a folder that is not there may read all of
        // the folder above it (Wine looks for the missing folder in every letter case).
        // Each is read once, so that a name it does not hold is never asked for.
        if (packageNames_.empty()) {
            for (const FolderCopy& copy : copies) {
                FsResult listed;
                const bool searched = files_.folderExists(copy.source) &&
                                      !leadsOutOfPackage(files_, plan_.packageFolder, copy.source);
                searchedPackage_.push_back(searched);
                packageNames_.push_back(searched ? FolderNames::read(files_, copy.source, listed)
                                                 : FolderNames());
            }
        }
        // The package file of that name in another package folder, as its listing holds it.
        const auto fileIn = [&](std::size_t other, const std::string& name) {
            std::optional<DirEntry> entry =
                searchedPackage_[other] && packageNames_[other].mayHold(name)
                    ? files_.entryNamed(copies[other].source, name)
                    : std::nullopt;
            if (entry &&
                (!isPackageFile(*entry) ||
                 (!linkFree_[other] && leadsOutOfPackage(files_, plan_.packageFolder,
                                                         copies[other].source + "\\" + entry->name,
                                                         entry->attributes)))) {
                entry.reset();
            }
            return entry;
        };
        for (std::size_t c = 0; c < copies.size(); ++c) {
            const FolderCopy& copy = copies[c];
            const FsResult complete = eachPackageFile(
                files_, plan_.packageFolder, copy.source,
                [&](const DirEntry& entry) {
                    ++listed[c];
                    for (std::size_t earlier = 0; earlier < c; ++earlier) {
                        if (copies[earlier].into == copy.into && fileIn(earlier, entry.name)) {
                            return; // planned where that one is listed
                        }
                    }
                    PlannedFile file{copy.into, entry.name, &copy, entry, std::nullopt};
                    for (std::size_t later = copies.size() - 1; later > c; --later) {
                        if (copies[later].into == copy.into) {
                            if (std::optional<DirEntry> last = fileIn(later, entry.name)) {
                                file.copy = &copies[later];
                                file.entry = std::move(*last);
                                break;
                            }
                        }
                    }
                    visit(file);
                },
                !linkFree_[c]);
            if (reportListings) {
                linkFree_[c] = static_cast<bool>(complete);
            }
            if (!complete && reportListings && reported.insert(copy.source).second) {
                outcome_.failures.add(copy.source, complete.error());
            }
        }
    }

    // The entry named `name` in the folder `index` of the plan: asked of the disk only where the
    // folder's listing may hold it.
    std::optional<Existing> existing(std::size_t index, const std::string& name) {
        const TargetFolder& folder = folders_[index];
        if (folder.state == TargetFolder::State::New || !folder.names.mayHold(name)) {
            return std::nullopt;
        }
        return existingIn(files_, plan_.folderPath(index), name);
    }

    // Looks up the file a planned file takes the place of; false, with the failure, when it
    // cannot go there.
    bool find(PlannedFile& file) {
        const TargetFolder& folder = folders_[file.folder];
        if (folder.state == TargetFolder::State::Unusable) {
            return false;
        }
        file.replaced = existing(file.folder, file.name);
        return true;
    }

    // Counts the steps of the work before it starts, and reports the package folders that
    // cannot be listed.
    void count() {
        forEachPlanned(
            [this](PlannedFile& file) {
                ++total_;
                changes_ += folders_[file.folder].state == TargetFolder::State::New ? 0 : 1;
                if (find(file) && file.replaced) {
                    ++replaced_;
                }
            },
            true, counted_);
    }

    // True when `name`, a name in the target itself, is taken there or by the installation.
    bool taken(const std::string& name) {
        if (existing(0, name)) {
            return true;
        }
        for (const std::string& subfolder : plan_.subfolders) {
            if (files_.compareFileNames(subfolder, name) == 0) {
                return true;
            }
        }
        for (std::size_t c = 0; c < plan_.copies.size(); ++c) {
            const FolderCopy& copy = plan_.copies[c];
            const std::optional<DirEntry> entry = copy.into == 0 && packageNames_[c].mayHold(name)
                                                      ? files_.entryNamed(copy.source, name)
                                                      : std::nullopt;
            if (entry && isPackageFile(*entry)) {
                return true;
            }
        }
        return false;
    }

    // Makes every file ready in the work folder, writing down each change as it goes. False,
    // with nothing changed in the target, when any of them fails.
    bool stage() {
        FsResult made;
        transaction_ = Transaction::begin(
            files_, plan_.target, [this](const std::string& name) { return taken(name); }, made);
        if (!transaction_) {
            outcome_.notBegun(plan_.target, made.error());
            return false;
        }

        std::size_t newFolders = 0;
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            if (folders_[i].state == TargetFolder::State::New) {
                ++newFolders;
                const FsResult slot = transaction_->work().nextFolderSlot(folders_[i].slot);
                if (!slot) {
                    outcome_.failures.add(plan_.folderPath(i), slot.error());
                    workFolderFailed_ = true;
                }
            }
        }
        progress_.setTotal(total_ + changes_ + newFolders + replaced_);
        std::vector<std::string> folders{""};
        folders.insert(folders.end(), plan_.subfolders.begin(), plan_.subfolders.end());
        transaction_->setFolders(folders);

        // After a failure the other files are still copied, so that every failure is reported,
        // but not when the work folder itself fails.
        std::vector<std::size_t> met;
        forEachPlanned(
            [this](PlannedFile& file) {
                ++planned_;
                if (!find(file)) {
                    outcome_.failures.add(placeOf(file), folders_[file.folder].error);
                } else if (file.replaced &&
                           (file.replaced->attributes & kAttributeDirectory) != 0) {
                    // Windows refuses to replace a folder. A read-only file is refused only when
                    // it must be replaced (stageOne), as one that holds the package file's bytes
                    // stays.
                    outcome_.failures.add(placeOf(file), kErrorAccessDenied);
                } else if (!workFolderFailed_) {
                    stageOne(file);
                }
                progress_.step();
            },
            false, met);
        // A package folder whose files came or went since they were counted changed while it
        // was installed: what it holds now was not planned whole.
        FileNames reported(FileNameLess{&files_});
        for (std::size_t c = 0; c < met.size(); ++c) {
            if (met[c] != counted_[c] && reported.insert(plan_.copies[c].source).second) {
                outcome_.failures.add(plan_.copies[c].source, kErrorFileNotFound);
            }
        }
        for (std::size_t i = 1; i < folders_.size(); ++i) {
            if (folders_[i].state == TargetFolder::State::New) {
                transaction_->add(Change{ChangeKind::NewFolder, i, {}, folders_[i].slot});
            }
        }
        if (!outcome_.failures.empty()) {
            transaction_->abandon();
            return false;
        }
        return true;
    }

    static std::string sourceOf(const PlannedFile& file) {
        return file.copy->source + "\\" + file.entry.name;
    }

    // True when the file the package file would replace holds its bytes already and is the
    // run's own to keep (a regular file with one name, of a trusted owner, that nobody writes:
    // FileSystem::compareContents). Sizes first, then the bytes, read side by side (cheaper than
    // a copy, which writes); file times are never trusted. A link, or a file that cannot be read
    // or that another program writes, is replaced. `sourcePlace` is given where the package file
    // lies when it was opened and the listing may show a link as a plain file; there the kept
    // file must lie where its name says, not wherever a link leads.
    bool unchanged(const PlannedFile& file, std::string& sourcePlace) {
        if (!file.replaced || file.replaced->size != file.entry.size ||
            (file.replaced->attributes & kAttributeReparsePoint) != 0) {
            return false;
        }
        bool same = false;
        std::string place;
        if (!files_.compareContents(sourceOf(file), placeOf(file), same,
                                    linksLookPlain_ ? &sourcePlace : nullptr,
                                    linksLookPlain_ ? &place : nullptr) ||
            !same) {
            return false;
        }
        return !linksLookPlain_ || liesWhereNamed(file, place);
    }

    // True when `place`, where a file of the target really lies, is the place its folder and
    // name give, not one a link leads to.
    bool liesWhereNamed(const PlannedFile& file, const std::string& place) {
        TargetFolder& folder = folders_[file.folder];
        if (!folder.finalPath) {
            folder.finalPath = files_.finalFolderPath(plan_.folderPath(file.folder));
        }
        const std::size_t cut = place.find_last_of('\\');
        return !folder.finalPath->empty() && cut != std::string::npos &&
               files_.compareFileNames(place.substr(0, cut), *folder.finalPath) == 0 &&
               files_.compareFileNames(place.substr(cut + 1), file.name) == 0;
    }

    // True, with the failure of its package folder (once), when the package file is a link out
    // of the package that its listing showed as a plain file. `place`: where it lies, when known.
    bool leadsOut(const PlannedFile& file, std::string place) {
        if (!linksLookPlain_) {
            return false;
        }
        if (place.empty()) {
            place = files_.finalPath(sourceOf(file));
        }
        if (!packageRoot_) {
            packageRoot_ = files_.finalPath(plan_.packageFolder);
        }
        // One whose place cannot be told is left to the copy, which says why it cannot be read.
        if (place.empty() || liesIn(files_, place, *packageRoot_)) {
            return false;
        }
        // A package folder the first walk found incomplete was reported then.
        const auto copy = static_cast<std::size_t>(file.copy - plan_.copies.data());
        if (linkFree_[copy]) {
            linkFree_[copy] = false;
            outcome_.failures.add(file.copy->source, kErrorStoppedOnSymlink);
        }
        return true;
    }

    // The attributes a file takes from its package file: hidden and system as there, never
    // read-only, so that the next installation and the removal can replace and delete it.
    static std::uint32_t attributesFrom(const DirEntry& entry) {
        return entry.attributes & kAttributeKept & ~kAttributeReadOnly;
    }

    // A file left in place: its attribute change, when it needs one, is a change of the journal,
    // made and undone with the others.
    void keep(const PlannedFile& file) {
        ++kept_;
        progress_.step(); // the deletion of its old file, not needed
        const std::uint32_t before = file.replaced->attributes & kAttributeKept;
        const std::uint32_t wanted = attributesFrom(file.entry);
        if (before == wanted) {
            progress_.step(); // its change, not needed either
            return;
        }
        transaction_->add(
            Change{ChangeKind::Attributes, file.folder, file.name, {}, before, wanted});
    }

    void stageOne(const PlannedFile& file) {
        const TargetFolder& folder = folders_[file.folder];
        const std::string place = placeOf(file);
        std::string sourcePlace;
        const bool same = unchanged(file, sourcePlace);
        if (leadsOut(file, sourcePlace)) {
            return;
        }
        if (same) {
            keep(file);
            return;
        }
        if (file.replaced && (file.replaced->attributes & kAttributeReadOnly) != 0) {
            outcome_.failures.add(place, kErrorAccessDenied); // Windows replaces no read-only file
            return;
        }
        std::string staged;
        std::string slot;
        if (folder.state == TargetFolder::State::New) {
            staged = transaction_->work().at(folder.slot) + "\\" + file.name;
        } else {
            const FsResult made = transaction_->work().nextFileSlot(slot);
            if (!made) {
                outcome_.failures.add(place, made.error());
                workFolderFailed_ = true;
                return;
            }
            staged = transaction_->work().at(slot);
        }
        FsResult copied = files_.copyNewFile(sourceOf(file), staged);
        if (copied && (file.entry.attributes & kAttributeReadOnly) != 0) {
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
        bool free = false;
        if (file.replaced) {
            // A second name for the old file keeps it while the new one takes its place; a link
            // is moved out itself, whatever it leads to.
            if (hardLinks_ && (file.replaced->attributes & kAttributeReparsePoint) == 0) {
                const FsResult linked = files_.linkFile(place, transaction_->work().oldAt(slot));
                // Without a second name (a file in use among others) the old file is moved out
                // when its turn comes; a file in use is found by the check before the first
                // change.
                if (linked) {
                    free = true;
                } else {
                    hardLinks_ = linked.error() != kErrorInvalidFunction &&
                                 linked.error() != kErrorNotSupported;
                }
            }
        }
        if (folder.state != TargetFolder::State::New) {
            transaction_->add(Change{file.replaced ? ChangeKind::Replace : ChangeKind::Add,
                                     file.folder, file.name, slot},
                              free);
        }
    }

    // Makes every change; undoes them all when one fails. True when all were made and
    // committed.
    bool swap() {
        transaction_->setInUseCheck(inUse_);
        return transaction_->run(outcome_, progress_, Transaction::AfterFailure::Stop);
    }

    FileSystem& files_;
    const CopyPlan& plan_;
    WorkProgress& progress_;
    const InUseCheck& inUse_;
    WorkOutcome outcome_;
    std::vector<TargetFolder> folders_;           // 0 the target, i its subfolder i - 1 of the plan
    std::vector<std::unique_ptr<HeldFile>> held_; // the folders of the target that are there
    std::optional<Transaction> transaction_;
    const bool linksLookPlain_ = files_.linksLookPlain();
    std::optional<std::string> packageRoot_; // the package folder's final path, once asked
    std::vector<bool> linkFree_;        // each package folder, not known to hold a link leading out
    std::vector<bool> searchedPackage_; // each package folder, there and inside the package
    std::vector<FolderNames> packageNames_; // and what it held when first walked
    std::vector<std::size_t> counted_;      // package files of each package folder, counted before
    std::size_t total_ = 0;                 // files the plan installs, as counted before the work
    std::size_t changes_ = 0;               // of them, files that go into existing folders
    std::size_t replaced_ = 0;              // of them, files that take the place of others
    std::size_t planned_ = 0;               // files met by the work
    std::size_t kept_ = 0;                  // of them, left in place
    bool hardLinks_ = true;
    bool workFolderFailed_ = false;
};

} // namespace

WorkOutcome installPlanned(FileSystem& files, const CopyPlan& plan, WorkProgress& progress,
                           const InUseCheck& inUse) {
    return Installation(files, plan, progress, inUse).run();
}

} // namespace velk
