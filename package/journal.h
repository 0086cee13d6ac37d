#pragma once
// The journal of a change to a target folder: every change an installation or removal is about
// to make there, written down and flushed to the disk before the first of them, so that a run
// that was killed halfway can be finished or undone by the next one (package/work_folder.h).
//
// Each change names its place in the target (a folder below it and a file name) and its slot in
// the work folder: the new file (or folder) that is moved in lies at the slot, and the old file
// that is moved out is kept at the slot with ".old" added. Whether a change was made can be told
// from which of these exist, so the journal is written once and never updated.
//
// A journal may name hundreds of thousands of changes: it is written line by line as the changes
// are planned and read back in pieces of a bounded size, forwards or last first, never held
// whole.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace velk {

enum class ChangeKind {
    Add,        // a new file moved in where no file of its name was
    Replace,    // a new file in place of the old one, which is kept at the slot's ".old"
    NewFolder,  // a new folder, filled in the work folder, moved in whole
    Remove,     // a file moved out to the slot's ".old"
    Attributes, // a file left in place takes the attributes of a copy (no slot)
};

struct Change {
    ChangeKind kind = ChangeKind::Add;
    std::size_t folder = 0; // index into the journal's folders
    std::string name;       // the file's name in that folder; empty for a new folder
    std::string slot;       // the place in the work folder; empty for an attribute change
    // An attribute change: the file's kept attributes (kAttributeKept) before and after.
    std::uint32_t before = 0;
    std::uint32_t after = 0;
};

// True for one plain name of a file or folder, as the system lists them and a journal holds them:
// not empty, not "." or "..", no separator, device, stream or pattern character, no control
// character.
bool isPlainName(std::string_view name);

// The journal as stored: UTF-8 lines of tab-separated fields (no file name holds a tab or a
// line break), a first line that names the format, a line for each of the target's folders the
// changes are in (as paths below the target: "" is the target itself, and each new folder is one
// of them), a line for each change and a last line that counts the changes. Only a journal that
// this program writes is read: the first folder the target itself, every other a relative path
// of plain names below it, every file name one plain name, every slot of the work folder's own
// form (a file's "N\\M", a folder's "fN"), a new folder never the target. An attribute change
// holds, where the others hold a slot, the attributes before and after ("B>A", only kept ones). So
// no journal found in a target, whoever wrote it, can name a place outside the target or its work
// folder.

// The most a journal may hold: far more than the lines of a package of a million files, so
// that a journal found in a target is never read past it.
inline constexpr std::size_t kMaxJournalBytes = 256 * 1024 * 1024;
// The longest line a journal may hold: far more than a folder's path and a file's name.
inline constexpr std::size_t kMaxJournalLine = 16 * 1024;
// How many file slots a sub-folder of the work folder holds ("N\\0" to "N\\127").
inline constexpr std::size_t kFilesPerSlotFolder = 128;
// How much of a journal is read at once.
inline constexpr std::size_t kJournalPiece = 64 * 1024;
// The error of a journal that is not one this program writes (ERROR_INVALID_DATA).
inline constexpr unsigned long kErrorInvalidJournal = 13;

// Writes a journal to a new file line by line, in a buffer of a bounded size. Refuses any change
// (and any folder) that the journal's reader would refuse, so that a journal that the next run
// cannot read is never written.
class JournalWriter {
  public:
    // Creates the file at `path` and writes its first lines, naming `folders`.
    static FsResult create(FileSystem& files, const std::string& path,
                           const std::vector<std::string>& folders,
                           std::optional<JournalWriter>& writer);
    // Adds a change, after every one added before.
    FsResult add(const Change& change);
    std::size_t count() const { return count_; }
    // Writes the last line, flushes the file to the disk and closes it.
    FsResult finish();

  private:
    JournalWriter(std::unique_ptr<FileWriter> file, std::size_t folders)
        : file_(std::move(file)), folders_(folders) {}
    FsResult put(const std::string& line);
    FsResult drain();

    std::unique_ptr<FileWriter> file_;
    std::size_t folders_ = 0;
    std::size_t count_ = 0;
    std::uint64_t bytes_ = 0;
    std::string buffer_;
};

// A journal stored in a file, checked whole and then read in pieces of `pieceSize` bytes.
class JournalReader {
  public:
    // Reads the journal at `path` whole (a regular file of at most kMaxJournalBytes, opened as
    // FileSystem::readFilePiece opens it); nothing, with the reason in `failure`, when it cannot
    // be read or is not a whole journal that this program writes (kErrorInvalidJournal).
    static std::optional<JournalReader> open(FileSystem& files, const std::string& path,
                                             FsResult& failure,
                                             std::size_t pieceSize = kJournalPiece);

    // The target's folders the changes are in; "" (the target) comes first.
    const std::vector<std::string>& folders() const { return folders_; }
    std::size_t size() const { return count_; }
    // How many of its changes are of `kind`.
    std::size_t count(ChangeKind kind) const { return kinds_[static_cast<std::size_t>(kind)]; }
    // The file was renamed: it is read from `path` from now on.
    void movedTo(std::string path) { path_ = std::move(path); }

    // Visits every change in order, or last first. Stops at a piece that cannot be read, or at
    // a line that changed since the journal was checked, and gives the reason.
    FsResult forward(const std::function<void(const Change&)>& visit) const;
    FsResult backward(const std::function<void(const Change&)>& visit) const;

  private:
    JournalReader(FileSystem& files, std::string path, std::size_t pieceSize)
        : files_(&files), path_(std::move(path)), pieceSize_(pieceSize) {}
    FsResult read(std::uint64_t offset, std::size_t size, std::string& piece) const;
    // The change a line of the changes names, checked; nothing for any other line.
    std::optional<Change> changeOf(std::string_view line) const;

    FileSystem* files_;
    std::string path_;
    std::size_t pieceSize_;
    std::vector<std::string> folders_;
    std::size_t count_ = 0;
    std::array<std::size_t, 5> kinds_{}; // changes of each kind
    std::uint64_t begin_ = 0;            // where the first change's line starts
    std::uint64_t end_ = 0;              // where the last line, after the changes, starts
};

} // namespace velk
