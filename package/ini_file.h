#pragma once
// A package description file (INI text) read whole into memory, with the installer's reading
// rules: trimmed lines, ";" comments, a repeated section replacing the earlier one whole,
// section and key names compared ignoring the case of the letters A to Z, the last duplicate key
// on read but every line when listing, and integers in decimal or "$", "0x", "0X" or "x"
// hexadecimal.

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace velk {

class FileSystem;

// Told by IniFile::parse what it meets, in file order, each with its line number (from 1; CR LF
// ends one line). Lines that are skipped (empty, ";" comments) and lines before the first
// section are not told. For tools that point at places in a description.
class IniObserver {
  public:
    virtual ~IniObserver() = default;
    // A section header, with its name as stored (trimmed).
    virtual void section(std::string_view name, int line) = 0;
    // A stored line of the section started last: its key and value as stored, or, for a line
    // without "=", an empty key and `hasValue` false (the line itself is then `value`).
    virtual void entry(std::string_view key, std::string_view value, bool hasValue, int line) = 0;
};

class IniFile {
  public:
    IniFile() = default;
    // Parses INI text (UTF-8; CR, LF or CR LF line ends; a NUL ends the text), telling
    // `observer`, when given, every section and stored line.
    static IniFile parse(std::string_view text, IniObserver* observer = nullptr);
    // Reads a file, decoded by decodeText (platform/text_decoding.h): a missing file (or a
    // folder) reads as empty; a file that exists but cannot be opened throws
    // AppError("Cannot open file ...") from FileSystem::readFile.
    static IniFile read(FileSystem& files, const std::string& path);

    // The value of the key's last occurrence in the section; `fallback` when the section or key
    // is missing. A key present with nothing after "=" gives "".
    std::string readString(std::string_view section, std::string_view key,
                           const std::string& fallback) const;
    // The key's text converted as a signed 32-bit integer; `fallback` for anything else.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    // The values of the keys named `prefix` followed by an index from 0 to count - 1 in decimal
    // (as "Lang%d" makes them: no sign, no leading zero), each from its key's last occurrence,
    // ordered by index. Indexes without a key are left out, so the cost follows the section's
    // lines, not `count`.
    std::vector<std::pair<int, std::string>>
    numberedValues(std::string_view section, std::string_view prefix, int count) const;
    // The stored lines of the section in file order ("key=value", or the line without "=").
    std::vector<std::string> sectionLines(std::string_view section) const;
    // The key of each stored line, same order and count ("" for a line without "=").
    std::vector<std::string> sectionKeys(std::string_view section) const;

  private:
    // A stored line: a slice of `store_` holding its normalised text, key "=" value or the
    // trimmed line. All lines share the one buffer, so that parsing makes no allocation per line.
    struct Line {
        std::size_t begin = 0;
        std::size_t length = 0;
        std::size_t keyLength = 0; // length of the key at the start of the text
        bool hasValue = false;     // the line held "="
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };
    std::string_view text(const Line& line) const {
        return std::string_view(store_).substr(line.begin, line.length);
    }
    std::string_view key(const Line& line) const { return text(line).substr(0, line.keyLength); }
    std::string_view value(const Line& line) const {
        return line.hasValue ? text(line).substr(line.keyLength + 1) : std::string_view();
    }
    const Section* findSection(std::string_view name) const;
    const Line* findKey(std::string_view section, std::string_view key) const;

    std::string store_;
    // One entry per distinct section name (a repeated name reuses its entry, emptied first);
    // `index_` maps the name folded to capitals to its entry.
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> index_;
};

} // namespace velk
