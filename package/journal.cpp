#include "package/journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace velk {

namespace {

constexpr std::string_view kFirstLine = "VelkInstall journal 1";
constexpr std::array<std::string_view, 5> kKindNames = {"add", "replace", "new-folder", "remove",
                                                        "attributes"};

// The tab-separated fields of a line.
std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

std::optional<std::size_t> numberOf(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// A folder below the target: plain names joined by backslashes.
bool isRelativeFolder(std::string_view path) {
    for (;;) {
        const auto cut = path.find('\\');
        if (!isPlainName(path.substr(0, cut))) {
            return false;
        }
        if (cut == std::string_view::npos) {
            return true;
        }
        path.remove_prefix(cut + 1);
    }
}

// Digits as std::to_string writes a number: no sign, no leading zero.
bool isNumber(std::string_view text) {
    return !text.empty() && (text == "0" || text[0] != '0') &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A slot of the work folder as it makes them: "N\\M" for a file, "fN" for a folder.
bool isSlot(std::string_view slot, bool folder) {
    if (folder) {
        return slot.size() > 1 && slot[0] == 'f' && isNumber(slot.substr(1));
    }
    const auto cut = slot.find('\\');
    return cut != std::string_view::npos && isNumber(slot.substr(0, cut)) &&
           isNumber(slot.substr(cut + 1)) && slot.size() - cut - 1 <= 3 &&
           std::stoul(std::string(slot.substr(cut + 1))) < kFilesPerSlotFolder;
}

// True when the change names only places in the target and its work folder, as a change the
// program makes does.
bool isOwnChange(const Change& change) {
    if (change.kind == ChangeKind::NewFolder) {
        return change.folder != 0 && change.name.empty() && isSlot(change.slot, true);
    }
    if (change.kind == ChangeKind::Attributes) {
        return isPlainName(change.name) && change.slot.empty() &&
               ((change.before | change.after) & ~kAttributeKept) == 0;
    }
    return isPlainName(change.name) && isSlot(change.slot, false);
}

} // namespace

bool isPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

namespace {

std::string changeLine(const Change& change) {
    const std::string last =
        change.kind == ChangeKind::Attributes
            ? std::to_string(change.before) + ">" + std::to_string(change.after)
            : change.slot;
    return std::string(kKindNames[static_cast<std::size_t>(change.kind)]) + "\t" +
           std::to_string(change.folder) + "\t" + change.name + "\t" + last + "\n";
}

// True for the path of the `index`th folder of a journal: the target itself first, then folders
// below it.
bool isJournalFolder(std::size_t index, std::string_view folder) {
    return index == 0 ? folder.empty() : isRelativeFolder(folder);
}

} // namespace

// --- writing ---------------------------------------------------------------------------------

FsResult JournalWriter::create(FileSystem& files, const std::string& path,
                               const std::vector<std::string>& folders,
                               std::optional<JournalWriter>& writer) {
    std::string head(kFirstLine);
    head += '\n';
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!isJournalFolder(i, folders[i])) {
            return FsResult::failure(kErrorInvalidName);
        }
        head += "folder\t" + folders[i] + "\n";
    }
    std::unique_ptr<FileWriter> file;
    const FsResult created = files.createNewFile(path, file);
    if (!created) {
        return created;
    }
    writer.emplace(JournalWriter(std::move(file), folders.size()));
    return writer->put(head);
}

FsResult JournalWriter::add(const Change& change) {
    if (change.folder >= folders_ || !isOwnChange(change)) {
        return FsResult::failure(kErrorInvalidName);
    }
    ++count_;
    return put(changeLine(change));
}

FsResult JournalWriter::finish() {
    FsResult result = put("end\t" + std::to_string(count_) + "\n");
    if (result) {
        result = drain();
    }
    if (result) {
        result = file_->flush();
    }
    file_.reset();
    return result;
}

FsResult JournalWriter::put(const std::string& line) {
    bytes_ += line.size();
    if (line.size() > kMaxJournalLine || bytes_ > kMaxJournalBytes) {
        return FsResult::failure(kErrorFileTooLarge);
    }
    buffer_ += line;
    return buffer_.size() >= kJournalPiece ? drain() : FsResult();
}

FsResult JournalWriter::drain() {
    const FsResult written = file_->write(buffer_);
    buffer_.clear();
    return written;
}

// --- reading ---------------------------------------------------------------------------------

namespace {

// Calls `visit` with every line of the bytes [begin, end) that `read` gives in pieces of
// `pieceSize`, each without its line break and with the offset where it starts; a false from
// `visit` stops. Fails when a piece cannot be read, and with kErrorInvalidJournal when a line is
// longer than kMaxJournalLine or the last one is cut short.
template <typename Read, typename Visit>
FsResult eachLine(const Read& read, std::uint64_t begin, std::uint64_t end, std::size_t pieceSize,
                  const Visit& visit) {
    std::string text;
    std::uint64_t at = begin; // where `text` starts
    std::uint64_t next = begin;
    while (next < end) {
        std::string piece;
        const FsResult got = read(
            next, static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, end - next)), piece);
        if (!got) {
            return got;
        }
        if (piece.empty()) {
            return FsResult::failure(kErrorInvalidJournal); // shorter than it was
        }
        next += piece.size();
        text += piece;
        std::size_t from = 0;
        for (auto cut = text.find('\n'); cut != std::string::npos; cut = text.find('\n', from)) {
            if (!visit(std::string_view(text).substr(from, cut - from), at + from)) {
                return {};
            }
            from = cut + 1;
        }
        text.erase(0, from);
        at += from;
        if (text.size() > kMaxJournalLine) {
            return FsResult::failure(kErrorInvalidJournal);
        }
    }
    return text.empty() ? FsResult() : FsResult::failure(kErrorInvalidJournal);
}

} // namespace

std::optional<JournalReader> JournalReader::open(FileSystem& files, const std::string& path,
                                                 FsResult& failure, std::size_t pieceSize) {
    JournalReader journal(files, path, pieceSize);
    std::string none;
    std::uint64_t size = 0;
    failure = files.readFilePiece(path, kMaxJournalBytes, 0, 0, none, size);
    if (!failure) {
        return std::nullopt;
    }
    enum class Part { First, Folders, Changes, End, After };
    Part part = Part::First;
    bool valid = true;
    failure = eachLine([&journal](std::uint64_t offset, std::size_t want,
                                  std::string& piece) { return journal.read(offset, want, piece); },
                       0, size, pieceSize,
                       [&](std::string_view line, std::uint64_t at) {
                           const std::vector<std::string_view> fields = fieldsOf(line);
                           if (part == Part::First) {
                               valid = line == kFirstLine;
                               part = Part::Folders;
                           } else if (part == Part::After) {
                               valid = false; // nothing after the last line
                           } else if (fields[0] == "folder" && fields.size() == 2) {
                               valid = part == Part::Folders &&
                                       isJournalFolder(journal.folders_.size(), fields[1]);
                               journal.folders_.emplace_back(fields[1]);
                           } else if (fields[0] == "end" && fields.size() == 2) {
                               const auto count = numberOf(fields[1]);
                               valid = count && *count == journal.count_;
                               journal.begin_ = part == Part::Changes ? journal.begin_ : at;
                               journal.end_ = at;
                               part = Part::After;
                           } else {
                               const std::optional<Change> change = journal.changeOf(line);
                               valid = change.has_value();
                               if (valid) {
                                   ++journal.kinds_[static_cast<std::size_t>(change->kind)];
                               }
                               journal.begin_ = part == Part::Changes ? journal.begin_ : at;
                               part = Part::Changes;
                               ++journal.count_;
                           }
                           return valid;
                       });
    if (failure && (!valid || part != Part::After)) {
        failure = FsResult::failure(kErrorInvalidJournal);
    }
    if (!failure) {
        return std::nullopt;
    }
    return journal;
}

FsResult JournalReader::read(std::uint64_t offset, std::size_t size, std::string& piece) const {
    std::uint64_t fileSize = 0;
    return files_->readFilePiece(path_, kMaxJournalBytes, offset, size, piece, fileSize);
}

std::optional<Change> JournalReader::changeOf(std::string_view line) const {
    const std::vector<std::string_view> fields = fieldsOf(line);
    std::size_t kind = 0;
    while (kind < kKindNames.size() && kKindNames[kind] != fields[0]) {
        ++kind;
    }
    const auto folder = fields.size() == 4 ? numberOf(fields[1]) : std::nullopt;
    if (kind == kKindNames.size() || !folder || *folder >= folders_.size()) {
        return std::nullopt;
    }
    Change change{static_cast<ChangeKind>(kind), *folder, std::string(fields[2]),
                  std::string(fields[3])};
    if (change.kind == ChangeKind::Attributes) {
        const std::size_t cut = fields[3].find('>');
        const std::string_view last = fields[3];
        const auto before =
            cut == std::string_view::npos ? std::nullopt : numberOf(last.substr(0, cut));
        const auto after = before ? numberOf(last.substr(cut + 1)) : std::nullopt;
        if (!after || *before > kAttributeKept || *after > kAttributeKept ||
            !isNumber(last.substr(0, cut)) || !isNumber(last.substr(cut + 1))) {
            return std::nullopt;
        }
        change.slot.clear();
        change.before = static_cast<std::uint32_t>(*before);
        change.after = static_cast<std::uint32_t>(*after);
    }
    if (!isOwnChange(change)) {
        return std::nullopt;
    }
    return change;
}

FsResult JournalReader::forward(const std::function<void(const Change&)>& visit) const {
    bool valid = true;
    const FsResult read =
        eachLine([this](std::uint64_t offset, std::size_t want,
                        std::string& piece) { return this->read(offset, want, piece); },
                 begin_, end_, pieceSize_,
                 [&](std::string_view line, std::uint64_t) {
                     const std::optional<Change> change = changeOf(line);
                     valid = change.has_value();
                     if (valid) {
                         visit(*change);
                     }
                     return valid;
                 });
    return read && !valid ? FsResult::failure(kErrorInvalidJournal) : read;
}

FsResult JournalReader::backward(const std::function<void(const Change&)>& visit) const {
    // `text` holds the bytes from `at` up to the start of the last line visited; every line in
    // it but the first is whole, and the first is whole only at `begin_`.
    std::string text;
    std::uint64_t at = end_;
    while (at > begin_) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize_, at - begin_));
        std::string piece;
        const FsResult got = read(at - want, want, piece);
        if (!got) {
            return got;
        }
        if (piece.size() != want) {
            return FsResult::failure(kErrorInvalidJournal); // shorter than it was
        }
        at -= want;
        text.insert(0, piece);
        // Each line ends in a line break; the text's end is a line's end.
        std::size_t end = text.size();
        for (;;) {
            const std::size_t cut = end < 2 ? std::string::npos : text.rfind('\n', end - 2);
            if (cut == std::string::npos && at > begin_) {
                break; // the line starts in an earlier piece
            }
            const std::size_t from = cut == std::string::npos ? 0 : cut + 1;
            const std::optional<Change> change =
                changeOf(std::string_view(text).substr(from, end - 1 - from));
            if (end == 0 || text[end - 1] != '\n' || !change) {
                return FsResult::failure(kErrorInvalidJournal);
            }
            visit(*change);
            end = from;
            if (end == 0) {
                break;
            }
        }
        text.resize(end);
        if (text.size() > kMaxJournalLine) {
            return FsResult::failure(kErrorInvalidJournal);
        }
    }
    return text.empty() ? FsResult() : FsResult::failure(kErrorInvalidJournal);
}

} // namespace velk
