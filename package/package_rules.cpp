#include "package/package_rules.h"

#include "package/text_compare.h"

namespace velk {

bool offersHostVersion(std::string_view key, std::string_view line) {
    return key != kLibraryKindKey && line.find("Yes") != std::string_view::npos;
}

std::string_view madeName(std::string_view name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.remove_suffix(1);
    }
    return name;
}

bool leavesItsFolder(std::string_view language) {
    return language.find_first_of("\\/:") != std::string_view::npos ||
           (!language.empty() && madeName(language).empty());
}

std::string fileNamePart(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string extensionOf(const std::string& path) {
    const std::string name = fileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool isShownPictureType(const std::string& extension) {
    for (const char* shown : {".bmp", ".ico", ".emf", ".wmf"}) {
        if (sameTextAscii(extension, shown)) {
            return true;
        }
    }
    return false;
}

} // namespace velk
