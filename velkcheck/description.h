#pragma once
// A package description as the installer reads it (package/ini_file.h) and takes it
// (package/package_description.h), together with where each section and key stands in the file,
// so that findings can name their lines.

#include <string>
#include <string_view>
#include <vector>

#include "package/ini_file.h"
#include "package/package_description.h"

namespace velk::check {

struct OutlineEntry {
    std::string key;  // "" for a line without "="
    std::string text; // the value, or the whole line when it has no "="
    bool hasValue = false;
    int line = 0;
};

struct OutlineSection {
    std::string name;
    int line = 0;
    std::vector<OutlineEntry> entries;
};

class Description {
  public:
    // `text` is the decoded text (UTF-8).
    static Description parse(std::string_view text);

    const IniFile& ini() const { return ini_; }
    // What the installer takes from it.
    const PackageDescription& package() const { return package_; }
    // Every section header in file order, repeated ones included, with its lines.
    const std::vector<OutlineSection>& sections() const { return sections_; }
    // The line of the section's last header (the one the installer reads); 0 when missing.
    int sectionLine(std::string_view section) const;
    // The line of the key the installer reads (its last occurrence in the section's last
    // header); 0 when missing.
    int keyLine(std::string_view section, std::string_view key) const;

  private:
    const OutlineSection* lastSection(std::string_view name) const;

    IniFile ini_;
    PackageDescription package_;
    std::vector<OutlineSection> sections_;
};

} // namespace velk::check
