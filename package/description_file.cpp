#include "package/description_file.h"

#include "package/text_compare.h"
#include "platform/file_system.h"

namespace velk {

namespace {

bool endsWithAscii(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           sameTextAscii(name.substr(name.size() - ending.size()), ending);
}

} // namespace

std::vector<std::string> descriptionCandidates(const PatternListing& listing) {
    std::vector<std::string> candidates;
    for (const std::string_view ending : kDescriptionEndings) {
        std::string pattern = "*";
        pattern += ending;
        for (std::string& name : listing(pattern)) {
            if (endsWithAscii(name, ending)) {
                candidates.push_back(std::move(name));
            }
        }
        if (!candidates.empty()) {
            break;
        }
    }
    return candidates;
}

std::optional<std::string> findDescriptionFile(FileSystem& files,
                                               const std::string& packageFolder) {
    const std::string libs = packageFolder + std::string(kLibsFolder);
    if (!files.folderExists(libs)) {
        return std::nullopt;
    }
    std::vector<std::string> candidates =
        descriptionCandidates([&files, &libs](const std::string& pattern) {
            std::vector<std::string> names;
            files.enumerate(libs + "\\" + pattern,
                            [&names](const DirEntry& entry) { names.push_back(entry.name); });
            return names;
        });
    if (candidates.empty()) {
        return std::nullopt;
    }
    return std::move(candidates.front());
}

} // namespace velk
