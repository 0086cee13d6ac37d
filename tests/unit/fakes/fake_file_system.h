#pragma once
// An in-memory file system with Windows' rules as far as the installer meets them: paths are
// case-insensitive, doubled backslashes are one, relative paths start at "C:\" (the process's
// current folder, which nothing changes), folders enumerate in the order their entries were made
// (or reversed), "*.*" also yields "." and "..", read-only or locked files cannot be replaced or
// deleted, a copy never replaces anything. A disk may fill up, leaving the fragment of a copy
// that did not fit; a listing may fail at its start or partway; folders and files may be links;
// a file may have several names (hard links). The process may be killed after a given number of
// changes. A file may be held by another program for a few tries only: a copy, move,
// replacement, link or deletion that meets a lock is tried again as the real file system tries
// it (platform/passing_lock.h), its pauses recorded rather than waited.

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/app_error.h"
#include "platform/file_system.h"
#include "platform/passing_lock.h"
#include "platform/text_decoding.h"

namespace velk::testing {

constexpr std::uint32_t kAttrReadOnly = 0x1;
constexpr std::uint32_t kAttrHidden = 0x2;
constexpr std::uint32_t kAttrSystem = 0x4;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrReparsePoint = 0x400;

constexpr unsigned long kErrorInvalidFunction = 1;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorNetNameDeleted = 64;
constexpr unsigned long kErrorDirNotEmpty = 145;

// Thrown by the change at which the fake's process is killed (FakeFileSystem::killAfter).
struct Killed {};

class FakeFileSystem : public FileSystem {
  public:
    struct Node {
        std::string path; // as first written, normalised
        bool folder = false;
        std::string content;
        std::optional<std::uint64_t> size; // overrides content.size(), for huge files
        std::uint32_t attributes = 0;
        bool locked = false;     // held open without sharing by another process
        bool readBy = false;     // open to read in another process, shared for reading only
        int holds = 0;           // a folder: how many holdFolder holdings keep it in place
        int heldForTries = 0;    // held so for that many more tries, then let go
        bool unreadable = false; // exists but cannot be opened
        long sequence = 0;
        // --- faults and links ---
        bool link = false;         // a junction or symbolic link (never followed here)
        std::string leadsTo;       // a link: the full path it leads to, for finalPath alone
        bool inaccessible = false; // a folder that cannot be listed
        long contentId = 0;        // the same for every name of one file (hard links)
        // The short (8.3) name, which Windows matches search patterns against too ("" for none).
        std::string shortName;
        Owner owner = Owner::Trusted;
    };

    FakeFileSystem() { addFolder("C:\\"); }

    class Held : public HeldFile {
      public:
        Held(FakeFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
        ~Held() override {
            if (Node* node = files_.find(path_)) {
                files_.lockNames(*node, false);
            }
        }

      private:
        FakeFileSystem& files_;
        std::string path_;
    };

    class HeldFolder : public HeldFile {
      public:
        HeldFolder(FakeFileSystem& files, std::string path)
            : files_(files), path_(std::move(path)) {}
        ~HeldFolder() override {
            if (Node* node = files_.find(path_)) {
                node->locked = --node->holds > 0;
            }
        }

      private:
        FakeFileSystem& files_;
        std::string path_;
    };

    std::string program = "C:\\pkg\\";
    std::string windows = "C:\\windows";
    bool reverseEnumeration = false;
    // Listings show a link to a file as what it leads to, without the reparse point attribute,
    // as Wine shows them.
    bool plainLinks = false;
    // "copy FROM -> TO", "replace FROM -> TO", "move FROM -> TO", "link FROM -> TO",
    // "write PATH", "mkdir PATH", "rmdir PATH", "delete PATH", "attributes PATH"
    std::vector<std::string> log;
    std::size_t compared = 0; // pairs of files compareContents read
    // Searches for one name, and questions whether a file is there, that found nothing: under
    // Wine each reads the whole folder.
    std::size_t namesMissed = 0;
    // False: the volume has no hard links (as FAT).
    bool hardLinks = true;

    // --- set-up -------------------------------------------------------------------------------

    // Makes the folder and every missing ancestor.
    void addFolder(const std::string& path) {
        const std::string full = normalise(path);
        if (full.size() > 3) {
            addFolder(parentOf(full));
        }
        if (nodes_.count(key(full)) == 0) {
            Node node;
            node.path = full;
            node.folder = true;
            node.attributes = kAttrDirectory;
            node.sequence = nextSequence_++;
            nodes_[key(full)] = node;
        }
    }

    // Makes the file (and its folders), replacing one of that name.
    Node& addFile(const std::string& path, const std::string& content = "x",
                  std::uint32_t attributes = kAttrArchive) {
        const std::string full = normalise(path);
        addFolder(parentOf(full));
        Node node;
        node.path = full;
        node.content = content;
        node.attributes = attributes;
        node.sequence = nextSequence_++;
        node.contentId = node.sequence;
        return nodes_[key(full)] = node;
    }

    Node* find(const std::string& path) {
        auto it = nodes_.find(key(normalise(path)));
        return it == nodes_.end() ? nullptr : &it->second;
    }
    bool has(const std::string& path) { return find(path) != nullptr; }
    std::string content(const std::string& path) {
        Node* node = find(path);
        return node != nullptr ? node->content : std::string("<missing>");
    }
    void remove(const std::string& path) { nodes_.erase(key(normalise(path))); }

    // Names of the files directly in a folder, sorted, for comparing whole trees.
    std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> names;
        const std::string parent = key(normalise(folder));
        for (const auto& [k, node] : nodes_) {
            if (!node.folder && key(parentOf(node.path)) == parent) {
                names.push_back(node.path.substr(node.path.find_last_of('\\') + 1));
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Every entry at or below `folder` (its path, content, attributes, and whether it is a
    // folder or a link), for comparing whole trees before and after.
    std::map<std::string, std::string> snapshot(const std::string& folder) {
        std::map<std::string, std::string> entries;
        const std::string top = key(normalise(folder));
        for (const auto& [k, node] : nodes_) {
            if (k.rfind(top + "\\", 0) == 0) {
                entries[node.path] = (node.folder ? "folder " : "file ") +
                                     std::to_string(node.attributes) +
                                     (node.link ? " link " : " ") + node.content;
            }
        }
        return entries;
    }

    // Names of the folders directly in a folder, sorted.
    std::vector<std::string> foldersIn(const std::string& folder) {
        std::vector<std::string> names;
        const std::string parent = key(normalise(folder));
        for (const auto& [k, node] : nodes_) {
            if (node.folder && k != parent && key(parentOf(node.path)) == parent) {
                names.push_back(node.path.substr(node.path.find_last_of('\\') + 1));
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Absolute, with single backslashes, "." and ".." resolved and no trailing backslash (but
    // for a drive's root).
    std::string normalise(const std::string& path) const {
        std::string p = path;
        std::replace(p.begin(), p.end(), '/', '\\');
        if (!p.empty() && p[0] == '\\') {
            p = "C:" + p;
        } else if (!(p.size() >= 2 && p[1] == ':')) {
            p = "C:\\" + p;
        }
        std::string out = p.substr(0, 2) + "\\";
        std::size_t begin = 2;
        while (begin < p.size()) {
            std::size_t end = p.find('\\', begin);
            end = end == std::string::npos ? p.size() : end;
            std::string part = p.substr(begin, end - begin);
            begin = end + 1;
            if (end == p.size() && part != "." && part != "..") {
                // The last name loses its trailing dots and blanks, as Windows drops them.
                part.erase(part.find_last_not_of(". ") + 1);
            } else if (!part.empty() && part.back() == '.' &&
                       part.find_first_not_of('.') != std::string::npos) {
                // A name before a backslash loses one trailing dot, as Windows drops it.
                part.pop_back();
            }
            if (part == "..") {
                out = parentOf(out.size() > 3 ? out.substr(0, out.size() - 1) : out);
                out += out.size() > 3 ? "\\" : "";
            } else if (!part.empty() && part != ".") {
                out += part + "\\";
            }
        }
        if (out.size() > 3) {
            out.pop_back();
        }
        return out;
    }

    // --- FileSystem ---------------------------------------------------------------------------

    bool folderExists(const std::string& path) override {
        if (path.empty()) {
            return false;
        }
        Node* node = find(path);
        return node != nullptr && node->folder;
    }

    bool fileExists(const std::string& path) override {
        if (path.empty()) {
            return false;
        }
        Node* node = find(path);
        namesMissed += node == nullptr ? 1 : 0;
        return node != nullptr && !node->folder;
    }

    FsResult enumerate(const std::string& pattern,
                       const std::function<void(const DirEntry&)>& visit) override {
        std::string folder = "C:\\";
        std::string mask = pattern;
        const auto cut = pattern.find_last_of("\\:");
        if (cut != std::string::npos) {
            folder = pattern.substr(0, cut + 1);
            mask = pattern.substr(cut + 1);
        }
        if (!folderExists(folder)) {
            return FsResult::failure(kErrorPathNotFound);
        }
        const std::string parent = key(normalise(folder));
        if (find(folder)->inaccessible) {
            return FsResult::failure(kErrorAccessDenied);
        }
        std::vector<const Node*> entries;
        for (const auto& [k, node] : nodes_) {
            if (k != parent && key(parentOf(node.path)) == parent) {
                entries.push_back(&node);
            }
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Node* a, const Node* b) { return a->sequence < b->sequence; });
        if (reverseEnumeration) {
            std::reverse(entries.begin(), entries.end());
        }
        std::vector<DirEntry> found;
        const bool isRoot = parent.size() == 3;
        if (!isRoot && matches(mask, ".")) {
            found.push_back(DirEntry{".", 0, true, kAttrDirectory});
            found.push_back(DirEntry{"..", 0, true, kAttrDirectory});
        }
        for (const Node* node : entries) {
            const std::string name = node->path.substr(node->path.find_last_of('\\') + 1);
            if (matches(mask, name) ||
                (!node->shortName.empty() && matches(mask, node->shortName))) {
                found.push_back(DirEntry{
                    name, node->folder ? 0 : sizeOf(*node), node->folder,
                    node->attributes |
                        (node->link && !(plainLinks && !node->folder) ? kAttrReparsePoint : 0)});
            }
        }
        if (mask.find_first_of("*?") == std::string::npos && found.empty()) {
            ++namesMissed;
        }
        const auto failing = failingListings.find(parent);
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (failing != failingListings.end() && i == failing->second) {
                return FsResult::failure(kErrorNetNameDeleted);
            }
            visit(found[i]);
        }
        // Fails at its end, after the last entry, when told to fail after more entries than it has.
        return failing != failingListings.end() ? FsResult::failure(kErrorNetNameDeleted)
                                                : FsResult();
    }

    std::string programFolder() override { return program; }

    // --- changes tried again while they meet a lock that passes ---------------------------------
    // The pauses between tries (milliseconds), as the real file system would wait them.
    std::vector<unsigned> pauses;
    FsResult copyNewFile(const std::string& from, const std::string& to) override {
        return retried([&] { return copyNewFileOnce(from, to); }, to);
    }
    FsResult deleteFile(const std::string& path) override {
        return retried([&] { return deleteFileOnce(path); }, path);
    }
    FsResult replaceFile(const std::string& from, const std::string& to) override {
        return retried([&] { return replaceFileOnce(from, to); }, to);
    }
    FsResult moveFile(const std::string& from, const std::string& to) override {
        return retried([&] { return moveFileOnce(from, to); }, from);
    }
    FsResult linkFile(const std::string& existing, const std::string& link) override {
        return linkFileOnce(existing, link); // not tried again while held
    }

    FsResult copyNewFileOnce(const std::string& from, const std::string& to) {
        log.push_back("copy " + from + " -> " + to);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        if (beforeCopy) {
            beforeCopy(from, to);
        }
        Node* source = find(from);
        if (source == nullptr || source->folder) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (!source->readBy && heldNow(*source)) { // a reader shares reading
            return FsResult::failure(kErrorSharingViolation);
        }
        if (!folderExists(parentOf(normalise(to)))) {
            return FsResult::failure(kErrorPathNotFound);
        }
        if (has(to)) {
            return FsResult::failure(kErrorFileExists);
        }
        if (failingCopies.count(key(normalise(to))) != 0) {
            return FsResult::failure(kErrorDiskFull);
        }
        Node copy = *source;
        copy.path = normalise(to);
        copy.sequence = nextSequence_++;
        copy.contentId = copy.sequence;
        copy.link = false;
        copy.locked = false;
        if (freeBytes && sizeOf(*source) > *freeBytes) {
            // Windows writes what fits and leaves it.
            copy.content = source->content.substr(0, static_cast<std::size_t>(*freeBytes));
            copy.size.reset();
            *freeBytes = 0;
            nodes_[key(copy.path)] = copy;
            return FsResult::failure(kErrorDiskFull);
        }
        if (freeBytes) {
            *freeBytes -= sizeOf(*source);
        }
        nodes_[key(copy.path)] = copy;
        return {};
    }

    // Logs `line`; succeeds when a new entry may be made at `path`: the change is let through,
    // nothing has that name (else `taken`) and its folder is there.
    FsResult creatable(const std::string& line, const std::string& path, unsigned long taken) {
        log.push_back(line);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        if (has(path)) {
            return FsResult::failure(taken);
        }
        if (!folderExists(parentOf(normalise(path)))) {
            return FsResult::failure(kErrorPathNotFound);
        }
        return {};
    }

    FsResult createFolder(const std::string& path) override {
        const FsResult free = creatable("mkdir " + path, path, kErrorAlreadyExists);
        if (free) {
            addFolder(path);
        }
        return free;
    }

    FsResult discardFile(const std::string& path) override {
        return retried([&] { return deleteFileOnce(path, true); }, path);
    }

    // `anyway`: a read-only file is deleted too, its other names keeping their attributes.
    FsResult deleteFileOnce(const std::string& path, bool anyway = false) {
        log.push_back("delete " + path);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (node->folder || (!anyway && (node->attributes & kAttrReadOnly) != 0)) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (heldNow(*node)) {
            return FsResult::failure(kErrorSharingViolation);
        }
        release(*node);
        remove(path);
        return {};
    }

    // --- replacing files ---
    FsResult replaceFileOnce(const std::string& from, const std::string& to) {
        log.push_back("replace " + from + " -> " + to);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        if (beforeMove) {
            beforeMove(from, to);
        }
        if (renameRefused(to)) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (failingCopies.count(key(normalise(to))) != 0) {
            return FsResult::failure(kErrorDiskFull);
        }
        Node* source = find(from);
        if (source == nullptr || source->folder) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (Node* target = find(to)) {
            const std::uint32_t kept = kAttrHidden | kAttrSystem;
            if (target->folder) {
                return FsResult::failure(kErrorAccessDenied);
            }
            if (heldNow(*target)) {
                return FsResult::failure(kErrorSharingViolation);
            }
            if (!target->link && ((target->attributes & kAttrReadOnly) != 0 ||
                                  (target->attributes & kept & ~source->attributes) != 0)) {
                return FsResult::failure(kErrorAccessDenied);
            }
            release(*target);
        }
        Node moved = *source;
        nodes_.erase(key(normalise(from)));
        moved.path = normalise(to);
        nodes_[key(moved.path)] = moved;
        return {};
    }

    FsResult clearReadOnly(const std::string& path) override {
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        node->attributes &= ~kAttrReadOnly;
        return {};
    }

    FsResult setKeptAttributes(const std::string& path, std::uint32_t attributes) override {
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        log.push_back("attributes " + node->path);
        node->attributes = (node->attributes & ~kAttributeKept) | (attributes & kAttributeKept);
        return {};
    }

    // `a` is read whoever holds it. `b` is opened without sharing writes: a file another process
    // holds to write (`locked`) fails so; one it reads (`readBy`) is compared.
    FsResult compareContents(const std::string& a, const std::string& b, bool& same,
                             std::string* placeOfA, std::string* placeOfB) override {
        same = false;
        for (const std::string& path : {a, b}) {
            const Node* node = find(path);
            if (node == nullptr) {
                return FsResult::failure(kErrorFileNotFound);
            }
            if (node->folder || node->unreadable) {
                return FsResult::failure(kErrorAccessDenied);
            }
        }
        Node& kept = *find(b);
        if (kept.locked || kept.heldForTries > 0) {
            kept.heldForTries -= kept.heldForTries > 0 ? 1 : 0; // a try
            return FsResult::failure(kErrorSharingViolation);
        }
        ++compared;
        if (placeOfA != nullptr) {
            *placeOfA = finalPath(a);
        }
        if (placeOfB != nullptr) {
            *placeOfB = finalPath(b);
        }
        // Where a listing shows a link to a file as a file (Wine), its opening does too.
        const bool ownName =
            !(kept.link && !plainLinks) && kept.owner != Owner::Other && namesOf(kept) == 1;
        same = ownName && sizeOf(*find(a)) == sizeOf(kept) && find(a)->content == kept.content;
        return {};
    }

    bool isLink(const std::string& path) override {
        Node* node = find(path);
        return node != nullptr && node->link;
    }
    bool linksLookPlain() override { return plainLinks; }
    // --- end of replacing files ---

    // --- changes that can be undone ---
    FsResult moveFileOnce(const std::string& from, const std::string& to) {
        log.push_back("move " + from + " -> " + to);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        if (beforeMove) {
            beforeMove(from, to);
        }
        Node* source = find(from);
        if (source == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (renameRefused(to)) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (failingCopies.count(key(normalise(to))) != 0) {
            return FsResult::failure(kErrorDiskFull);
        }
        const std::string fromKey = key(normalise(from));
        const std::string toFull = normalise(to);
        if (!folderExists(parentOf(toFull))) {
            return FsResult::failure(kErrorPathNotFound);
        }
        if (has(to)) {
            return FsResult::failure(kErrorAlreadyExists);
        }
        std::vector<std::string> moving; // the entry and, for a folder, everything below it
        for (auto& [k, node] : nodes_) {
            if (k == fromKey || k.rfind(fromKey + "\\", 0) == 0) {
                if (heldNow(node)) {
                    return FsResult::failure(k == fromKey ? kErrorSharingViolation
                                                          : kErrorAccessDenied);
                }
                moving.push_back(k);
            }
        }
        for (const std::string& k : moving) {
            Node node = nodes_[k];
            nodes_.erase(k);
            node.path = toFull + node.path.substr(fromKey.size());
            if (k == fromKey) {
                node.sequence = nextSequence_++;
            }
            nodes_[key(node.path)] = node;
        }
        return {};
    }

    FsResult linkFileOnce(const std::string& existing, const std::string& link) {
        log.push_back("link " + existing + " -> " + link);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        if (!hardLinks) {
            return FsResult::failure(kErrorInvalidFunction);
        }
        Node* source = find(existing);
        if (source == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (source->folder) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (!folderExists(parentOf(normalise(link)))) {
            return FsResult::failure(kErrorPathNotFound);
        }
        if (has(link)) {
            return FsResult::failure(kErrorAlreadyExists);
        }
        if (heldNow(*source)) {
            return FsResult::failure(kErrorSharingViolation);
        }
        Node second = *source;
        second.path = normalise(link);
        second.sequence = nextSequence_++;
        nodes_[key(second.path)] = second;
        return {};
    }

    FsResult writeNewFile(const std::string& path, std::string_view content) override {
        if (const FsResult free = creatable("write " + path, path, kErrorFileExists); !free) {
            return free;
        }
        Node& node = addFile(path, std::string(content), kAttrArchive);
        if (freeBytes && content.size() > *freeBytes) {
            node.content.resize(static_cast<std::size_t>(*freeBytes));
            *freeBytes = 0;
            return FsResult::failure(kErrorDiskFull);
        }
        if (freeBytes) {
            *freeBytes -= content.size();
        }
        return {};
    }

    // Held as Windows holds a file opened to write and shared for reading only: `locked` until
    // let go, as if another process held it. Every name of the file is held, as it is one file.
    // A file being written, held without sharing until the writer goes.
    class Writer : public FileWriter {
      public:
        Writer(FakeFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
        ~Writer() override {
            if (Node* node = files_.find(path_)) {
                files_.lockNames(*node, false);
            }
        }
        FsResult write(std::string_view content) override {
            files_.log.push_back("write " + path_);
            if (!files_.change()) {
                return FsResult::failure(kErrorGenFailure);
            }
            Node* node = files_.find(path_);
            if (node == nullptr) {
                return FsResult::failure(kErrorFileNotFound);
            }
            std::optional<std::uint64_t>& free = files_.freeBytes;
            if (free && content.size() > *free) {
                node->content.append(content.substr(0, static_cast<std::size_t>(*free)));
                *free = 0;
                return FsResult::failure(kErrorDiskFull);
            }
            if (free) {
                *free -= content.size();
            }
            node->content.append(content);
            return {};
        }
        FsResult flush() override { return {}; }

      private:
        FakeFileSystem& files_;
        std::string path_;
    };

    FsResult createNewFile(const std::string& path, std::unique_ptr<FileWriter>& writer) override {
        if (const FsResult free = creatable("write " + path, path, kErrorFileExists); !free) {
            return free;
        }
        lockNames(addFile(path, "", kAttrArchive), true);
        writer = std::make_unique<Writer>(*this, path);
        return {};
    }

    FsResult holdFile(const std::string& path, std::unique_ptr<HeldFile>& held) override {
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (node->folder) {
            return FsResult::failure(kErrorAccessDenied); // a folder is not opened as a file
        }
        if (node->locked) {
            return FsResult::failure(kErrorSharingViolation);
        }
        lockNames(*node, true);
        held = std::make_unique<Held>(*this, path);
        return {};
    }

    // A held folder is `locked`: moving it (or a folder above it) or removing it is refused.
    // Several holdings of one folder may be held at once.
    FsResult holdFolder(const std::string& path, std::unique_ptr<HeldFile>& held) override {
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (!node->folder) {
            return FsResult::failure(kErrorDirectory);
        }
        node->locked = ++node->holds > 0; // holdings share all but deletion with each other
        held = std::make_unique<HeldFolder>(*this, path);
        return {};
    }

    FsResult createHiddenFolder(const std::string& path) override {
        const FsResult made = createFolder(path);
        if (made) {
            find(path)->attributes |= kAttrHidden;
        }
        return made;
    }

    FsResult removeFolder(const std::string& path) override {
        log.push_back("rmdir " + path);
        if (!change()) {
            return FsResult::failure(kErrorGenFailure);
        }
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (!node->folder) {
            return FsResult::failure(kErrorDirectory);
        }
        if (node->locked) {
            return FsResult::failure(kErrorSharingViolation);
        }
        // A link goes as a link: what lies below it here is where it leads, and stays.
        const std::string parent = key(normalise(path));
        for (const auto& [k, child] : nodes_) {
            if (!node->link && k != parent && key(parentOf(child.path)) == parent) {
                return FsResult::failure(kErrorDirNotEmpty);
            }
        }
        remove(path);
        return {};
    }

    // The system's texts of the errors the tests meet; a made-up one for any other.
    std::string errorMessage(unsigned long error) override {
        switch (error) {
        case kErrorFileNotFound:
            return "The system cannot find the file specified";
        case kErrorAccessDenied:
            return "Access is denied";
        case kErrorSharingViolation:
            return "The process cannot access the file because it is being used by another "
                   "process";
        case kErrorDiskFull:
            return "There is not enough space on the disk";
        case kErrorNetNameDeleted:
            return "The specified network name is no longer available";
        case kErrorAlreadyExists:
            return "Cannot create a file when that file already exists";
        default:
            return "System error " + std::to_string(error);
        }
    }
    // --- end of changes that can be undone ---

    std::string windowsFolder() override { return windows; }

    FsResult readFile(const std::string& path, std::string& content) override {
        content.clear();
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (node->folder) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (node->unreadable || node->locked) {
            return FsResult::failure(kErrorSharingViolation);
        }
        content = node->content;
        return {};
    }

    // As GetFullPathName: nothing for nothing, and a trailing backslash kept.
    std::string fullPath(const std::string& path) override {
        if (path.empty()) {
            return path;
        }
        const std::string full = normalise(path);
        const bool trailing = path.back() == '\\' || path.back() == '/';
        return trailing && full.back() != '\\' ? full + "\\" : full;
    }

    // The folder and its ancestors by creation number, on a volume per drive letter.
    std::vector<FolderId> folderLineage(const std::string& path) override {
        std::vector<FolderId> lineage;
        if (!folderExists(path)) {
            return lineage;
        }
        std::string full = normalise(path);
        const auto volume = static_cast<std::uint64_t>(std::tolower(full[0]));
        for (;;) {
            if (!hasIdentity(full)) {
                return lineage;
            }
            lineage.push_back(FolderId{volume, static_cast<std::uint64_t>(find(full)->sequence)});
            if (full.size() <= 3) {
                return lineage;
            }
            full = parentOf(full);
        }
    }

    // As the system compares names: code by code, each upper-cased, so that "_" sorts after the
    // letters and an accented capital equals its small letter.
    int compareFileNames(const std::string& a, const std::string& b) override {
        return upperCased(a).compare(upperCased(b));
    }

    // The system's ANSI code page here is Windows-1252.
    std::string ansiToUtf8(std::string_view text) override { return windows1252ToUtf8(text); }

    // Run at the start of every copy, after it is logged: lets a test change the file system
    // between enumeration and copy (a source another process deletes, for instance).
    std::function<void(const std::string& from, const std::string& to)> beforeCopy;
    // Run at the start of every move and replacement, after it is logged and counted.
    std::function<void(const std::string& from, const std::string& to)> beforeMove;

    // --- faults ---
    // Free space of the disk, when limited: a copy that does not fit leaves a fragment as large
    // as the space was and fails; deleting or replacing a file frees its size.
    std::optional<std::uint64_t> freeBytes;
    // Listings of these folders (keys as made by key(normalise(path))) fail after that many
    // entries ("." and ".." count): 0 fails at the start.
    void failListing(const std::string& folder, std::size_t afterEntries) {
        failingListings[key(normalise(folder))] = afterEntries;
    }
    std::map<std::string, std::size_t> failingListings;

    // No file can be put at these paths, as on a full disk: copies to them fail writing
    // nothing, and moves and replacements onto them fail (keys as made by key(normalise(path))).
    void failCopiesTo(const std::string& path) { failingCopies[key(normalise(path))] = true; }
    std::map<std::string, bool> failingCopies;
    // Moves and replacements onto these paths are refused (access denied): every one, or only
    // the first `times`.
    void failRenamesTo(const std::string& path, int times = -1) {
        failingRenames[key(normalise(path))] = times;
    }
    std::map<std::string, int> failingRenames;
    // True when a move or replacement onto `to` is refused, counting it.
    bool renameRefused(const std::string& to) {
        const auto found = failingRenames.find(key(normalise(to)));
        if (found == failingRenames.end() || found->second == 0) {
            return false;
        }
        found->second -= found->second > 0 ? 1 : 0;
        return true;
    }

    // The process dies at the change after `changes` more changes (copies, moves, links,
    // writes, deletions, folders made or removed, attributes changed): that change throws
    // Killed and does nothing, and every change after it fails and does nothing, as a dead
    // process does nothing more. Reading goes on, for the tests to look.
    void killAfter(long changes) { changesLeft_ = changes; }
    // Brings the process back (a new run of the program).
    void restart() {
        changesLeft_.reset();
        killed_ = false;
    }
    bool killed() const { return killed_; }
    // How many changes were made since the fake was made.
    long changes() const { return changeCount_; }

    static std::string key(const std::string& path) {
        std::string k = path;
        std::transform(k.begin(), k.end(), k.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return k;
    }

    // --- Folders without identity and final paths ---------------------------------------------
    // Folders at or below these paths have no identity, as on a file server that gives every
    // file the index 0; those at or below `unresolvable` cannot be resolved to a final path
    // either.
    std::vector<std::string> withoutIdentity;
    std::vector<std::string> unresolvable;

    std::string finalFolderPath(const std::string& path) override {
        if (!folderExists(path) || below(normalise(path), unresolvable)) {
            return {};
        }
        return find(path)->path;
    }

    // --- What an earlier run left, and who may change it -----------------------------------------
    FsResult readSmallFile(const std::string& path, std::size_t limit,
                           std::string& content) override {
        Node* node = find(path);
        if (node == nullptr) {
            return FsResult::failure(kErrorFileNotFound);
        }
        if (node->folder || node->link || namesOf(*node) != 1 || node->owner == Owner::Other) {
            return FsResult::failure(kErrorAccessDenied);
        }
        if (node->unreadable || node->locked) {
            return FsResult::failure(node->locked ? kErrorSharingViolation : kErrorAccessDenied);
        }
        if (sizeOf(*node) > limit) {
            return FsResult::failure(kErrorFileTooLarge);
        }
        content = node->content;
        return {};
    }

    FsResult readFilePiece(const std::string& path, std::size_t limit, std::uint64_t offset,
                           std::size_t size, std::string& piece, std::uint64_t& fileSize) override {
        std::string content;
        const FsResult read = readSmallFile(path, limit, content);
        if (!read) {
            return read;
        }
        fileSize = sizeOf(*find(path));
        piece = offset < content.size() ? content.substr(static_cast<std::size_t>(offset), size)
                                        : std::string();
        return {};
    }

    Owner ownerOf(const std::string& path) override {
        Node* node = find(path);
        return node == nullptr ? Owner::NotKept : node->owner;
    }

    FsResult restrictToAdministrators(const std::string& path) override {
        log.push_back("restrict " + path);
        return find(path) != nullptr ? FsResult() : FsResult::failure(kErrorFileNotFound);
    }
    // --- end of what an earlier run left ---

    // The path with every link on the way (a node with `leadsTo`) replaced by where it leads;
    // empty for a path that is not there, and for a link on the way that leads nowhere.
    std::string finalPath(const std::string& path) override {
        const Node* node = find(path);
        if (node == nullptr) {
            return {};
        }
        std::string place = node->path.substr(0, 2);
        for (std::size_t begin = 3; begin <= node->path.size();) {
            const std::size_t end = std::min(node->path.find('\\', begin), node->path.size());
            place += "\\" + node->path.substr(begin, end - begin);
            begin = end + 1;
            const Node* step = find(place);
            if (step != nullptr && step->link) {
                if (step->leadsTo.empty()) {
                    return {};
                }
                place = normalise(step->leadsTo);
            }
        }
        return place;
    }

    bool hasIdentity(const std::string& full) const {
        return !below(full, withoutIdentity) && !below(full, unresolvable);
    }

    // True when the normalised path `full` is one of `folders` or lies below one.
    bool below(const std::string& full, const std::vector<std::string>& folders) const {
        const std::string k = key(full);
        for (const std::string& folder : folders) {
            std::string f = key(normalise(folder));
            if (k == f || k.rfind(f.back() == '\\' ? f : f + "\\", 0) == 0) {
                return true;
            }
        }
        return false;
    }
    // --- end of folders without identity -------------------------------------------------------

  private:
    // True while another program holds the file: for good, or for a try fewer now.
    static bool heldNow(Node& node) {
        if (node.heldForTries > 0) {
            --node.heldForTries;
            return true;
        }
        return node.locked || node.readBy;
    }

    FsResult retried(const std::function<FsResult()>& attempt, const std::string& file) {
        return retryPassingLock(
            attempt,
            [this, &file] {
                const Node* node = find(file);
                return node != nullptr && !node->folder &&
                       (node->locked || node->readBy || node->heldForTries > 0);
            },
            [this](unsigned ms) { pauses.push_back(ms); });
    }

    // How many names the file has (its hard links).
    std::size_t namesOf(const Node& file) const {
        return static_cast<std::size_t>(
            std::count_if(nodes_.begin(), nodes_.end(), [&file](const auto& entry) {
                return !entry.second.folder && entry.second.contentId == file.contentId;
            }));
    }

    // Sets `locked` on every name of the file (its hard links).
    void lockNames(const Node& file, bool locked) {
        const long id = file.contentId;
        for (auto& [k, node] : nodes_) {
            if (!node.folder && node.contentId == id) {
                node.locked = locked;
            }
        }
    }

    // The UTF-8 name's characters upper-cased as Windows does for ASCII, Latin-1, Latin
    // Extended-A, Greek and Cyrillic; others as they are.
    static std::u32string upperCased(const std::string& name) {
        std::u32string out;
        for (std::size_t i = 0; i < name.size();) {
            const auto lead = static_cast<unsigned char>(name[i++]);
            const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
            char32_t c = more == 0 ? lead : lead & (0x3F >> more);
            for (int k = 0; k < more && i < name.size(); ++k) {
                c = (c << 6) | (static_cast<unsigned char>(name[i++]) & 0x3F);
            }
            const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
            const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
            if (c == 0xFF) {
                c = 0x178;
            } else if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
                       (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
                c -= 0x20;
            } else if (c >= 0x450 && c <= 0x45F) {
                c -= 0x50;
            } else if ((evenUpper && c % 2 == 1) || (oddUpper && c % 2 == 0)) {
                c -= 1;
            }
            out.push_back(c);
        }
        return out;
    }

    // Counts a change about to be made; false when the process is dead. Throws Killed at the
    // change where it dies.
    bool change() {
        if (killed_) {
            return false;
        }
        if (changesLeft_) {
            if (*changesLeft_ == 0) {
                killed_ = true;
                throw Killed{};
            }
            --*changesLeft_;
        }
        ++changeCount_;
        return true;
    }

    // Frees the space of a file whose last name goes.
    void release(const Node& node) {
        if (!freeBytes || node.folder) {
            return;
        }
        for (const auto& [k, other] : nodes_) {
            if (&other != &node && !other.folder && other.contentId == node.contentId) {
                return;
            }
        }
        *freeBytes += sizeOf(node);
    }

    static std::string parentOf(const std::string& full) {
        const auto cut = full.find_last_of('\\');
        if (cut == std::string::npos) {
            return full;
        }
        return cut <= 2 ? full.substr(0, 3) : full.substr(0, cut);
    }

    static std::uint64_t sizeOf(const Node& node) {
        return node.size ? *node.size : node.content.size();
    }

    // "*" any run, "?" one character; "*.*" everything; case-insensitive.
    static bool matches(const std::string& mask, const std::string& name) {
        if (mask == "*.*" || mask == "*") {
            return true;
        }
        return wildcard(key(mask), key(name), 0, 0);
    }
    static bool wildcard(const std::string& m, const std::string& n, std::size_t i, std::size_t j) {
        if (i == m.size()) {
            return j == n.size();
        }
        if (m[i] == '*') {
            for (std::size_t k = j; k <= n.size(); ++k) {
                if (wildcard(m, n, i + 1, k)) {
                    return true;
                }
            }
            return false;
        }
        if (j < n.size() && (m[i] == '?' || m[i] == n[j])) {
            return wildcard(m, n, i + 1, j + 1);
        }
        return false;
    }

    std::map<std::string, Node> nodes_;
    long nextSequence_ = 0;
    std::optional<long> changesLeft_;
    bool killed_ = false;
    long changeCount_ = 0;
};

} // namespace velk::testing
