#pragma once
// The work folder of an installation or removal: a hidden folder inside the target, on the
// target's own volume, where the new files are made ready and the old ones are kept until the
// work is done whole. Its name ("~VelkInstall.work", or with a number when that is taken) is
// chosen so that no file the work installs is named like it; the file "begun" inside it,
// written first and deleted last, marks it as a work folder (a folder of that name without it
// is the user's and is never touched). The run that works in the folder holds its mark open,
// so that another run in the same target (a second window, a deployment while somebody
// installs by hand) sees it busy and leaves it alone; a killed run's hold ends with it.
//
// The work (package/transaction.h) runs in steps: make the new files ready in the work folder;
// write the journal (package/journal.h) to a temporary name, flush it and rename it into place;
// make each change in the target; rename the journal to "committed"; delete what was moved out
// and the work folder. A run killed before the journal is in place changed nothing in the target;
// one killed with the journal in place is undone by the next run, one killed after "committed"
// finished. Files and folders are kept in numbered sub-folders of a bounded size, so that no name
// made there looks through thousands of others.
//
// A folder of a work folder's name found in the target may have been planted by anybody who can
// write there, or by a package. It is taken up only when this program could have left it as it
// is: a real folder (no link), owned by the administrators, the system or the user who runs now
// where the file system keeps owners, with a mark and a journal that are small regular files, a
// journal that names nothing outside the target and its work folder, and no link on the way to
// what the journal names. Any other is never acted on, neither carried out nor deleted.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/journal.h"
#include "platform/file_system.h"

namespace velk {

class WorkFolder {
  public:
    // Makes a new work folder in `target` under a name that is not `taken` (by what the work
    // puts into the target, or by what is there already), marks it and holds the mark. Nothing
    // on failure, with the reason in `failure`: kErrorSharingViolation when another run works
    // in the target.
    static std::optional<WorkFolder> create(FileSystem& files, const std::string& target,
                                            const std::function<bool(const std::string&)>& taken,
                                            FsResult& failure);
    // What earlier runs left in `target`.
    struct Earlier {
        std::vector<WorkFolder> interrupted; // work of killed runs, each held, its journal read
        std::vector<std::string> busy;       // work folders another run is working in now
        std::vector<std::string> untrusted;  // folders that this program cannot have left so
    };
    static Earlier findIn(FileSystem& files, const std::string& target);

    const std::string& path() const { return path_; }
    std::string at(const std::string& slot) const { return path_ + "\\" + slot; }
    std::string oldAt(const std::string& slot) const { return at(slot) + ".old"; }

    // A new slot for a file; its sub-folder is made when it is the first there.
    FsResult nextFileSlot(std::string& slot);
    // A new slot for a folder, made empty.
    FsResult nextFolderSlot(std::string& slot);

    // Where the journal is written first; placeJournal renames it into place once it is
    // written whole and flushed.
    std::string temporaryJournal() const;
    FsResult placeJournal();
    // Marks the changes as made whole: the journal is renamed to "committed".
    FsResult commit();
    // After every change was undone: the journal goes, and with it the need to undo.
    FsResult dropJournal();
    // Deletes everything in the work folder, then the folder. What cannot be deleted stays, with
    // the mark, for a later run to delete.
    void remove();

    // Where the journal lies once it is in place, and once it is committed.
    std::string journalPath() const;
    std::string committedPath() const;

    // What an earlier run found by findIn left: its journal, or nothing when it never got to
    // write it, and whether the journal was committed.
    const std::optional<JournalReader>& journal() const { return journal_; }
    bool committed() const { return committed_; }

  private:
    enum class Found { Interrupted, Busy, Untrusted, NotOurs };

    WorkFolder(FileSystem& files, std::string path) : files_(&files), path_(std::move(path)) {}

    // What the folder `candidate` of `target` is; an interrupted run's work is held and its
    // journal read.
    Found takeUp(const DirEntry& candidate, const std::string& target);
    Found look(const DirEntry& candidate, const std::string& target);

    FileSystem* files_;
    std::string path_;
    std::unique_ptr<HeldFile> mark_;         // the mark, held while this run works here
    std::unique_ptr<FileWriter> markWriter_; // or held by the opening that made it
    std::unique_ptr<HeldFile> folder_;       // the folder itself, held while the run works
    std::unique_ptr<HeldFile> target_;       // the target, held while a found journal is read
    std::vector<std::unique_ptr<HeldFile>> slotFolders_; // the sub-folders of its file slots
    std::size_t fileSlots_ = 0;
    std::size_t folderSlots_ = 0;
    std::optional<JournalReader> journal_; // what an earlier run left
    bool committed_ = false;
};

} // namespace velk
