#include "package/journal.h"

#include <array>
#include <charconv>

namespace velk {

namespace {

constexpr std::string_view kFirstLine = "VelkInstall journal 1";
constexpr std::array<std::string_view, 4> kKindNames = {"add", "replace", "new-folder", "remove"};

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
           isNumber(slot.substr(cut + 1));
}

// True when the change names only places in the target and its work folder, as a change the
// program makes does.
bool isOwnChange(const Change& change) {
    if (change.kind == ChangeKind::NewFolder) {
        return change.folder != 0 && change.name.empty() && isSlot(change.slot, true);
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

std::string journalText(const Journal& journal) {
    std::string text(kFirstLine);
    text += '\n';
    for (const std::string& folder : journal.folders) {
        text += "folder\t" + folder + "\n";
    }
    for (const Change& change : journal.changes) {
        text += std::string(kKindNames[static_cast<std::size_t>(change.kind)]) + "\t" +
                std::to_string(change.folder) + "\t" + change.name + "\t" + change.slot + "\n";
    }
    text += "end\t" + std::to_string(journal.changes.size()) + "\n";
    return text;
}

std::optional<Journal> parseJournal(std::string_view text) {
    Journal journal;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt; // cut short
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (first) {
            if (line != kFirstLine) {
                return std::nullopt;
            }
            first = false;
            continue;
        }
        const std::vector<std::string_view> fields = fieldsOf(line);
        if (fields[0] == "folder" && fields.size() == 2) {
            // The target itself first, then folders below it.
            if (journal.folders.empty() ? !fields[1].empty() : !isRelativeFolder(fields[1])) {
                return std::nullopt;
            }
            journal.folders.emplace_back(fields[1]);
            continue;
        }
        if (fields[0] == "end" && fields.size() == 2) {
            const auto count = numberOf(fields[1]);
            return count && *count == journal.changes.size() && text.empty()
                       ? std::optional<Journal>(std::move(journal))
                       : std::nullopt;
        }
        Change change;
        std::size_t kind = 0;
        while (kind < kKindNames.size() && kKindNames[kind] != fields[0]) {
            ++kind;
        }
        const auto folder = fields.size() == 4 ? numberOf(fields[1]) : std::nullopt;
        if (kind == kKindNames.size() || !folder || *folder >= journal.folders.size()) {
            return std::nullopt;
        }
        change.kind = static_cast<ChangeKind>(kind);
        change.folder = *folder;
        change.name = fields[2];
        change.slot = fields[3];
        if (!isOwnChange(change)) {
            return std::nullopt;
        }
        journal.changes.push_back(std::move(change));
    }
    return std::nullopt; // no last line
}

} // namespace velk
