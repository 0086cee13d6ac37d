#pragma once
// The file system as the installer uses it. Paths are UTF-8 and used as given (plain
// concatenation, nothing normalised by the program). The program hands over full paths: a
// relative path is resolved against the process's current folder, which the program never
// changes (the window's thread and the worker thread may both be using paths). Paths may be of
// any length.
//
// A copy, move, replacement or deletion that meets a lock another program holds for a
// moment (a sharing or lock violation, or access refused by a file that another program holds or
// is deleting) is tried again for about two seconds before it fails with that error
// (platform/passing_lock.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// Which folder a path leads to, whatever way it is spelled: its volume and its file ID there.
struct FolderId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FolderId&) const = default;
};

// --- results that carry the system's error ---------------------------------------------------
// Win32 error codes that the callers of this interface tell apart. The values are the system's.
inline constexpr unsigned long kErrorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr unsigned long kErrorAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr unsigned long kErrorNoMoreFiles = 18;      // ERROR_NO_MORE_FILES
inline constexpr unsigned long kErrorGenFailure = 31;       // ERROR_GEN_FAILURE
inline constexpr unsigned long kErrorSharingViolation = 32; // ERROR_SHARING_VIOLATION
inline constexpr unsigned long kErrorLockViolation = 33;    // ERROR_LOCK_VIOLATION
inline constexpr unsigned long kErrorFileExists = 80;       // ERROR_FILE_EXISTS
inline constexpr unsigned long kErrorDiskFull = 112;        // ERROR_DISK_FULL
inline constexpr unsigned long kErrorInvalidName = 123;     // ERROR_INVALID_NAME
inline constexpr unsigned long kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS
inline constexpr unsigned long kErrorFileTooLarge = 223;    // ERROR_FILE_TOO_LARGE
inline constexpr unsigned long kErrorDirectory = 267;       // ERROR_DIRECTORY: no folder

// The outcome of a file-system call: success, or the system's error code that made it fail (never
// 0 then). Tests as true on success.
class FsResult {
  public:
    FsResult() = default;
    static FsResult failure(unsigned long error) {
        FsResult result;
        result.error_ = error != 0 ? error : kErrorGenFailure;
        return result;
    }
    explicit operator bool() const { return error_ == 0; }
    unsigned long error() const { return error_; }
    // The call failed because its target name was taken.
    bool nameTaken() const { return error_ == kErrorFileExists || error_ == kErrorAlreadyExists; }

  private:
    unsigned long error_ = 0;
};
// --- end of results ------------------------------------------------------------------------

// The FILE_ATTRIBUTE_* bits that the program tells apart (the system's values).
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400; // a junction or symbolic link
// The attributes an installed file takes from its package file (read-only aside, which it never
// keeps); the others (archive, not indexed) are the file system's own business.
inline constexpr std::uint32_t kAttributeKept =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

struct DirEntry {
    std::string name;       // bare name, no folder
    std::uint64_t size = 0; // full 64-bit size; 0 for folders
    bool isFolder = false;
    std::uint32_t attributes = 0; // FILE_ATTRIBUTE_* bits as the platform reports them
};

// A new file written piece by piece (FileSystem::createNewFile); closed when destroyed.
class FileWriter {
  public:
    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    virtual ~FileWriter() = default;
    // Appends `content` whole. A write that fails partway leaves what it wrote.
    virtual FsResult write(std::string_view content) = 0;
    // Flushes everything written so far to the disk.
    virtual FsResult flush() = 0;
};

// A file held open by FileSystem::holdFile; let go when this is destroyed, or when the process
// ends however it ends.
class HeldFile {
  public:
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    virtual ~HeldFile() = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // True when the path's attributes can be read and include the folder attribute.
    virtual bool folderExists(const std::string& path) = 0;
    // True when a search for the path finds an entry and that entry is not a folder.
    virtual bool fileExists(const std::string& path) = 0;
    // Calls `visit` for every entry matching `pattern` (a folder's path followed by "\*.*" or
    // "\*.lin", for example), with every attribute admitted, in the platform's enumeration order.
    // Succeeds when the listing got to its last entry or nothing matched; any other failure, at the
    // start or after some entries were visited, is returned with the system's error.
    virtual FsResult enumerate(const std::string& pattern,
                               const std::function<void(const DirEntry&)>& visit) = 0;
    // The entry of `folder` named `name` (as compareFileNames compares names), as a listing of the
    // folder gives it but for the name, which is `name`; found by that name alone, never by a
    // short (8.3) alias; nothing when there is none or it cannot be looked up. By default a search
    // for the name.
    virtual std::optional<DirEntry> entryNamed(const std::string& folder, const std::string& name);
    // The folder of the running program, ending in a backslash.
    virtual std::string programFolder() = 0;
    // Copies one whole file to a name that is not taken yet, carrying the source's attributes
    // over. Fails with kErrorFileExists (nameTaken()) when anything has that name, a link
    // included, which is never followed. A copy that fails partway may leave what it wrote.
    virtual FsResult copyNewFile(const std::string& from, const std::string& to) = 0;
    // Creates one folder level.
    virtual FsResult createFolder(const std::string& path) = 0;
    virtual FsResult deleteFile(const std::string& path) = 0;

    // --- replacing files -----------------------------------------------------------------------
    // Moves the file `from` to `to` in the same folder, replacing the file there in one step
    // (written through to the disk): `to` names either its old or its new content, never a mix.
    // A link at `to` is itself replaced, never written through. Fails, as on Windows, when the
    // file at `to` is read-only, held open by another process, or hidden or system while `from`
    // is not; `to` is then left as it was.
    virtual FsResult replaceFile(const std::string& from, const std::string& to) = 0;
    // Takes the read-only attribute off a file, keeping its other attributes.
    virtual FsResult clearReadOnly(const std::string& path) = 0;
    // Gives a file the read-only, hidden and system attributes of `attributes` (kAttributeKept),
    // keeping its others.
    virtual FsResult setKeptAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // Tells whether the file `b`, which may be left in place as a copy of `a`, holds a's bytes,
    // reading both side by side. `a` is opened to read and shared for everything, so that a file
    // another program holds open and shares for reading can be compared. `b` is opened to read
    // without sharing writes: while another program has it open to write, the call fails with
    // kErrorSharingViolation (such a file is in use, never kept), and no program can write it
    // while it is read. `same` is true only when, besides, `b` is the run's own: a regular file
    // with this one name (no link, no second hard link) whose owner is not Owner::Other. A link
    // is read itself, never what it leads to. Fails when either cannot be opened or read. With
    // `placeOfA` and `placeOfB`, gives where each really lies, as finalPath tells it of the file
    // opened ("" when the system cannot tell).
    virtual FsResult compareContents(const std::string& a, const std::string& b, bool& same,
                                     std::string* placeOfA, std::string* placeOfB) = 0;
    // True when the path's own entry is a reparse point (a junction or symbolic link), which a
    // write below it would pass through to wherever it leads.
    virtual bool isLink(const std::string& path) = 0;
    // True where a listing may show a link to a file as the file it leads to, without the
    // reparse point attribute that Windows gives every link (Wine); there only the file's
    // finalPath tells a link. By default false: a listing marks every link.
    virtual bool linksLookPlain() { return false; }
    // --- end of replacing files ----------------------------------------------------------------

    // --- changes that can be undone ------------------------------------------------------------
    // Moves a file or a whole folder to a name on the same volume that is not taken, written
    // through to the disk before it returns. Fails with nameTaken() when anything has that name,
    // and, as on Windows, when the file is held open by another process without sharing its
    // deletion. A link is moved itself, never what it leads to.
    virtual FsResult moveFile(const std::string& from, const std::string& to) = 0;
    // Gives the existing file a second name (a hard link) on the same volume: both names then
    // lead to the same content. Fails where the file system has none, as FAT volumes; and with
    // kErrorSharingViolation when another process has the file open in any way (one that shares
    // its deletion too, which would still keep a replacement from taking its place), so that
    // such a file is found before it has two names. That failure is not tried again: the second
    // name only prepares a replacement, which, without it, moves the old file out when its turn
    // comes (a change that is tried again), and a file held for good is named by the look for files
    // in use before the first change rather than waited for once per file here.
    virtual FsResult linkFile(const std::string& existing, const std::string& link) = 0;
    // Creates a file under a name that is not taken, writes `content` to it whole and flushes it
    // to the disk before it returns. A write that fails partway leaves what it wrote.
    virtual FsResult writeNewFile(const std::string& path, std::string_view content) = 0;
    // Creates a file under a name that is not taken, opened for `writer` to write piece by piece
    // (held without sharing until `writer` is destroyed).
    virtual FsResult createNewFile(const std::string& path,
                                   std::unique_ptr<FileWriter>& writer) = 0;
    // Creates one folder level, with the hidden attribute where the file system keeps one.
    virtual FsResult createHiddenFolder(const std::string& path) = 0;
    // Removes an empty folder.
    virtual FsResult removeFolder(const std::string& path) = 0;
    // Deletes a file of the work's by its name, read-only or not, through one opening of it: a
    // file that has another name (a hard link) keeps its attributes there, read-only taken off
    // only for the moment of the deletion. A link is deleted itself. Tried again as deleteFile.
    virtual FsResult discardFile(const std::string& path) = 0;
    // Holds an existing file open so that no process, this one included, can write, move or
    // delete it, nor hold it as well, until `held` is destroyed. Fails with
    // kErrorSharingViolation while another holds it (or has it open to write or delete it).
    virtual FsResult holdFile(const std::string& path, std::unique_ptr<HeldFile>& held) = 0;
    // Holds a folder open so that nobody, this process included, can move, rename or delete it
    // (Windows also refuses to rename a folder above it), until `held` is destroyed; files and
    // folders in it can still be made, moved and deleted. A link is held itself, never what it
    // leads to. Fails with kErrorDirectory when the path is no folder, with the system's error
    // (kErrorSharingViolation while another opening may delete it) when it cannot be held.
    virtual FsResult holdFolder(const std::string& path, std::unique_ptr<HeldFile>& held) = 0;
    // The system's text for an error code, without its trailing full stop.
    virtual std::string errorMessage(unsigned long error) = 0;
    // --- end of changes that can be undone -----------------------------------------------------
    // The Windows folder, without trailing backslash.
    virtual std::string windowsFolder() = 0;
    // Reads a whole file into `content`, opened for reading and shared for reading only. Fails
    // with the system's error when it cannot be opened or read to its end.
    virtual FsResult readFile(const std::string& path, std::string& content) = 0;

    // The path made absolute against the process's current folder (".", ".." and doubled separators
    // resolved, and trailing blanks and dots of the last name dropped, as the system resolves
    // them when it opens a path); a trailing backslash is kept. Empty for an empty path.
    virtual std::string fullPath(const std::string& path) = 0;
    // The identities of the folder and of every folder above the place it really lies in (links
    // and junctions followed), the folder first and its volume's root last. Empty when the path
    // is no folder, cannot be opened or has no identity (a file server that gives none); ends
    // early at the first folder above that has none.
    virtual std::vector<FolderId> folderLineage(const std::string& path) = 0;
    // Compares two file names as the file system does, ignoring case: negative, zero or positive
    // as `a` sorts before, with or after `b`.
    virtual int compareFileNames(const std::string& a, const std::string& b) = 0;
    // Turns text in the system's ANSI code page, as programs that know no Unicode write it, into
    // UTF-8.
    virtual std::string ansiToUtf8(std::string_view text) = 0;

    // --- Where a folder really lies -------------------------------------------------------------
    // The full path of the place the folder really lies in (links and junctions followed, names
    // spelled as stored), in the plain form of fullPath ("C:\dir", "\\server\share\dir") where
    // it has one, for telling folders apart where they have no identity (see folderLineage).
    // Empty when the path is no folder or cannot be opened or resolved.
    virtual std::string finalFolderPath(const std::string& path) = 0;

    // --- What an earlier run left, and who may change it ----------------------------------------
    // Reads a whole regular file of at most `limit` bytes into `content`, never reading more than
    // that. A link is not followed: it fails as what is no regular file (a device, a pipe, a
    // folder) fails, with kErrorAccessDenied, and so does a file with a second name (a hard
    // link, through which it could be changed) or whose owner is Owner::Other; a file that holds
    // more fails with kErrorFileTooLarge; otherwise with the system's error.
    virtual FsResult readSmallFile(const std::string& path, std::size_t limit,
                                   std::string& content) = 0;
    // Reads at most `size` bytes from `offset` of a regular file of at most `limit` bytes into
    // `piece` (empty at or past its end), and the file's whole size into `fileSize`, opening it
    // as readSmallFile does and failing as it does.
    virtual FsResult readFilePiece(const std::string& path, std::size_t limit, std::uint64_t offset,
                                   std::size_t size, std::string& piece,
                                   std::uint64_t& fileSize) = 0;
    // Who owns a file or folder, as far as other users could have made it.
    enum class Owner {
        Trusted, // the administrators, the system, or the user this program runs as
        Other,   // anybody else: another user may have made or changed it
        NotKept, // the file system keeps no owners (FAT, some file servers): nobody can tell
    };
    virtual Owner ownerOf(const std::string& path) = 0;
    // When this program runs elevated and the file system keeps owners: makes the administrators
    // the owner of a folder or file this run made, and lets only the administrators and the
    // system change it (and, for a folder, add, change or delete anything in it). What is made
    // inside a folder gets the rights it would get in the folder's parent, so that what is moved
    // out of it into the parent is as if made there; a file gets nothing of its parent's. A link
    // fails with kErrorAccessDenied. Succeeds without a change otherwise.
    virtual FsResult restrictToAdministrators(const std::string& path) = 0;

    // --- Where a file really lies ---------------------------------------------------------------
    // The full path of the place the file or folder really lies in (links and junctions followed,
    // its own and those of the folders above it), in the form of finalFolderPath, for telling
    // whether a link leads out of a folder. Empty when nothing is there or it cannot be opened or
    // resolved (a link that leads nowhere).
    virtual std::string finalPath(const std::string& path) = 0;
};

// The full path that `path` names when taken from the folder `from` (a full path), as
// FileSystem::fullPath resolves it: a relative path, one from the root of a drive ("\x") and
// one on `from`'s drive ("C:x") start at `from`. A full path, a device name ("NUL"), one on
// another drive ("D:x", from that drive's own current folder) and any path when `from` is
// empty go to fullPath as they are.
std::string fullPathFrom(FileSystem& files, const std::string& path, const std::string& from);

// Reads a whole file as FileSystem::readFile does, for a caller that cannot go on without it:
// throws AppError("Cannot open file \"<full path>\". <system's reason>") when it cannot.
std::string readWholeFile(FileSystem& files, const std::string& path);

} // namespace velk
