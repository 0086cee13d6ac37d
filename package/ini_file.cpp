#include "package/ini_file.h"

#include <cstdint>
#include <limits>
#include <map>
#include <optional>

#include "package/text_compare.h"
#include "platform/file_system.h"
#include "platform/text_decoding.h"

namespace velk {

namespace {

// Blanks and control characters: everything up to and including the blank.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// Section and key names ignore the case of the letters A to Z.
std::string foldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = upperAscii(c);
    }
    return folded;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// An optional sign, then decimal digits (within the signed 32-bit range) or hexadecimal digits
// behind "$", "0x", "0X", "x" or "X" (a 32-bit pattern, so "$FFFFFFFF" is -1 and "-$10" is
// -16). Anything else, the empty text included, is no number.
std::optional<int> parseInteger(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::string_view rest = text.substr(pos);
    std::size_t hexStart = std::string_view::npos;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        hexStart = 1;
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hexStart = 2;
    }

    if (hexStart != std::string_view::npos) {
        const std::string_view digits = rest.substr(hexStart);
        if (digits.empty()) {
            return std::nullopt;
        }
        std::uint32_t pattern = 0;
        for (char c : digits) {
            const int digit = hexDigit(c);
            if (digit < 0 || pattern > 0x0FFFFFFFu) {
                return std::nullopt; // not a digit, or more than 32 bits
            }
            pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
        }
        const std::uint32_t value = negative ? 0u - pattern : pattern;
        return static_cast<int>(value); // two's complement, well defined since C++20
    }

    if (rest.empty()) {
        return std::nullopt;
    }
    // The magnitude may reach 2^31 for a negative number.
    const std::uint64_t limit =
        negative ? std::uint64_t{1} << 31 : std::uint64_t{std::numeric_limits<int>::max()};
    std::uint64_t magnitude = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<int>(value);
}

// The index that "%d" prints as exactly `digits`, when it is below `count`.
std::optional<int> printedIndex(std::string_view digits, int count) {
    if (digits.empty() || digits.size() > 10 || (digits[0] == '0' && digits.size() > 1)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value >= count) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

IniFile IniFile::parse(std::string_view input, IniObserver* observer) {
    const auto nul = input.find('\0');
    if (nul != std::string_view::npos) {
        input = input.substr(0, nul);
    }

    IniFile ini;
    ini.store_.reserve(input.size());
    Section* current = nullptr;
    std::size_t pos = 0;
    int number = 0;
    while (pos < input.size()) {
        // A line ends at CR, at LF or at CR LF.
        std::size_t end = pos;
        while (end < input.size() && input[end] != '\r' && input[end] != '\n') {
            ++end;
        }
        const std::string_view line = trim(input.substr(pos, end - pos));
        pos = end + 1;
        if (end + 1 < input.size() && input[end] == '\r' && input[end + 1] == '\n') {
            ++pos;
        }
        ++number;

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            // A repeated name replaces the earlier section whole.
            const auto [it, added] = ini.index_.try_emplace(foldName(name), ini.sections_.size());
            if (added) {
                ini.sections_.push_back(Section{std::string(name), {}});
            } else {
                ini.sections_[it->second].name = std::string(name);
                ini.sections_[it->second].lines.clear();
            }
            current = &ini.sections_[it->second];
            if (observer != nullptr) {
                observer->section(name, number);
            }
            continue;
        }
        if (current == nullptr) {
            continue; // before the first section
        }

        Line stored;
        stored.begin = ini.store_.size();
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            ini.store_.append(line);
        } else {
            const std::string_view key = trim(line.substr(0, equals));
            const std::string_view value = trim(line.substr(equals + 1));
            ini.store_.append(key).append(1, '=').append(value);
            stored.keyLength = key.size();
            stored.hasValue = true;
        }
        stored.length = ini.store_.size() - stored.begin;
        current->lines.push_back(stored);
        if (observer != nullptr) {
            observer->entry(ini.key(stored), stored.hasValue ? ini.value(stored) : ini.text(stored),
                            stored.hasValue, number);
        }
    }
    return ini;
}

IniFile IniFile::read(FileSystem& files, const std::string& path) {
    if (!files.fileExists(path)) {
        return IniFile();
    }
    return parse(decodeText(readWholeFile(files, path), files));
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    const auto it = index_.find(foldName(name));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniFile::Line* IniFile::findKey(std::string_view section, std::string_view key) const {
    const Section* found = findSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    // The last occurrence of a key counts.
    for (auto it = found->lines.rbegin(); it != found->lines.rend(); ++it) {
        if (it->hasValue && sameTextAscii(this->key(*it), key)) {
            return &*it;
        }
    }
    return nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                const std::string& fallback) const {
    const Line* line = findKey(section, key);
    return line == nullptr ? fallback : std::string(value(*line));
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    const Line* line = findKey(section, key);
    if (line == nullptr) {
        return fallback;
    }
    return parseInteger(value(*line)).value_or(fallback);
}

std::vector<std::pair<int, std::string>>
IniFile::numberedValues(std::string_view section, std::string_view prefix, int count) const {
    std::map<int, std::string_view> found;
    if (const Section* stored = findSection(section)) {
        for (const Line& line : stored->lines) {
            const std::string_view name = key(line);
            if (!line.hasValue || name.size() <= prefix.size() ||
                !sameTextAscii(name.substr(0, prefix.size()), prefix)) {
                continue;
            }
            if (const auto index = printedIndex(name.substr(prefix.size()), count)) {
                found[*index] = value(line); // a later line of the key replaces an earlier one
            }
        }
    }
    std::vector<std::pair<int, std::string>> values;
    values.reserve(found.size());
    for (const auto& [index, text] : found) {
        values.emplace_back(index, text);
    }
    return values;
}

std::vector<std::string> IniFile::sectionLines(std::string_view section) const {
    std::vector<std::string> lines;
    if (const Section* found = findSection(section)) {
        lines.reserve(found->lines.size());
        for (const Line& line : found->lines) {
            lines.emplace_back(text(line));
        }
    }
    return lines;
}

std::vector<std::string> IniFile::sectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = findSection(section)) {
        keys.reserve(found->lines.size());
        for (const Line& line : found->lines) {
            keys.emplace_back(key(line));
        }
    }
    return keys;
}

} // namespace velk
