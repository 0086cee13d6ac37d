#include "package/install_report.h"

#include <algorithm>

#include "package/ini_file.h"

namespace velk {

void FailureList::add(const std::string& path, unsigned long error) {
    all_.push_back(Failure{path, error});
}

std::string FailureList::text(const std::string& headline) const {
    std::string result = headline;
    const auto placeholder = result.find("%d");
    if (placeholder != std::string::npos) {
        result.replace(placeholder, 2, std::to_string(all_.size()));
    }
    const std::size_t shown = std::min(all_.size(), kShownPaths);
    for (std::size_t i = 0; i < shown; ++i) {
        result += '\r';
        result += all_[i].path;
    }
    if (all_.size() > shown) {
        result += "\rand " + std::to_string(all_.size() - shown) + " more.";
    }
    return result;
}

} // namespace velk

namespace velk {

std::string installedTitle(FileSystem& files, const std::string& installedDescription) {
    const IniFile installed = IniFile::read(files, installedDescription);
    return installed.readString("About", "Name", "") + " " +
           installed.readString("About", "Version", "1.0.0");
}

} // namespace velk
