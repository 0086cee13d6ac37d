#pragma once
// The journal of a change to a target folder: every change an installation or removal is about
// to make there, written down and flushed to the disk before the first of them, so that a run
// that was killed halfway can be finished or undone by the next one (package/work_folder.h).
//
// Each change names its place in the target (a folder below it and a file name) and its slot in
// the work folder: the new file (or folder) that is moved in lies at the slot, and the old file
// that is moved out is kept at the slot with ".old" added. Whether a change was made can be told
// from which of these exist, so the journal is written once and never updated.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

enum class ChangeKind {
    Add,       // a new file moved in where no file of its name was
    Replace,   // a new file in place of the old one, which is kept at the slot's ".old"
    NewFolder, // a new folder, filled in the work folder, moved in whole
    Remove,    // a file moved out to the slot's ".old"
};

struct Change {
    ChangeKind kind = ChangeKind::Add;
    std::size_t folder = 0; // index into Journal::folders
    std::string name;       // the file's name in that folder; empty for a new folder
    std::string slot;       // the place in the work folder
};

struct Journal {
    // The target's folders the changes are in, as paths below the target: "" is the target
    // itself, and each new folder is one of them.
    std::vector<std::string> folders;
    std::vector<Change> changes;
};

// True for one plain name of a file or folder, as the system lists them and a journal holds them:
// not empty, not "." or "..", no separator, device, stream or pattern character, no control
// character.
bool isPlainName(std::string_view name);

// The journal as stored: UTF-8 lines of tab-separated fields (no file name holds a tab or a
// line break), a first line that names the format and a last line that counts the changes.
std::string journalText(const Journal& journal);
// The journal read back; nothing when the text is not a whole journal, or not one that this
// program writes: the first folder the target itself, every other a relative path of plain
// names below it, every file name one plain name, every slot of the work folder's own form
// (a file's "N\\M", a folder's "fN"), a new folder never the target. So no journal found in a
// target, whoever wrote it, can name a place outside the target or its work folder.
std::optional<Journal> parseJournal(std::string_view text);

// The most a journal may hold: far more than the lines of a package of a million files, so
// that a journal found in a target is never read past it.
inline constexpr std::size_t kMaxJournalBytes = 256 * 1024 * 1024;

} // namespace velk
