#include "velkcheck/description.h"

#include <algorithm>

#include "package/text_compare.h"

namespace velk::check {

namespace {

class Outliner : public IniObserver {
  public:
    explicit Outliner(std::vector<OutlineSection>& sections) : sections_(sections) {}
    void section(std::string_view name, int line) override {
        sections_.push_back(OutlineSection{std::string(name), line, {}});
    }
    void entry(std::string_view key, std::string_view value, bool hasValue, int line) override {
        sections_.back().entries.push_back(
            OutlineEntry{std::string(key), std::string(value), hasValue, line});
    }

  private:
    std::vector<OutlineSection>& sections_;
};

} // namespace

Description Description::parse(std::string_view text) {
    Description description;
    Outliner outliner(description.sections_);
    description.ini_ = IniFile::parse(text, &outliner);
    description.package_ = PackageDescription::from(description.ini_);
    return description;
}

const OutlineSection* Description::lastSection(std::string_view name) const {
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
        if (sameTextAscii(it->name, name)) {
            return &*it;
        }
    }
    return nullptr;
}

int Description::sectionLine(std::string_view section) const {
    const OutlineSection* found = lastSection(section);
    return found == nullptr ? 0 : found->line;
}

int Description::keyLine(std::string_view section, std::string_view key) const {
    if (const OutlineSection* found = lastSection(section)) {
        for (auto it = found->entries.rbegin(); it != found->entries.rend(); ++it) {
            if (it->hasValue && sameTextAscii(it->key, key)) {
                return it->line;
            }
        }
    }
    return 0;
}

} // namespace velk::check
