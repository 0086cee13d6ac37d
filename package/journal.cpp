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

} // namespace

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
        journal.changes.push_back(std::move(change));
    }
    return std::nullopt; // no last line
}

} // namespace velk
