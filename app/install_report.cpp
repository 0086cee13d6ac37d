#include "app/install_report.h"

#include "app/ini_file.h"

namespace velk {

void FailureList::add(const std::string& path) {
    ++count_;
    if (shown_.size() < kShownPaths) {
        shown_.push_back(path);
    }
}

std::string FailureList::text(const std::string& headline) const {
    std::string result = headline;
    const auto placeholder = result.find("%d");
    if (placeholder != std::string::npos) {
        result.replace(placeholder, 2, std::to_string(count_));
    }
    for (const std::string& path : shown_) {
        result += '\r';
        result += path;
    }
    if (count_ > shown_.size()) {
        result += "\rand " + std::to_string(count_ - shown_.size()) + " more.";
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
