#include "package/install_report.h"

#include <algorithm>

#include "package/ini_file.h"
#include "package/package_files.h"
#include "package/package_rules.h"
#include "platform/file_system.h"
#include "platform/long_path.h"

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

std::string failureReason(const FailureList::Failure& failure) {
    const std::string device = deviceName(failure.path);
    if (!device.empty()) {
        return "Windows takes the name \"" + fileNamePart(failure.path) + "\" for its device " +
               device + ": no file can have that name";
    }
    if (failure.error == kErrorStoppedOnSymlink) {
        return "The package folder holds a link that leads out of the package, which is never "
               "copied through";
    }
    return {};
}

std::string failureReport(FileSystem& files, const WorkOutcome& outcome,
                          const std::string& headline, const std::string& nothingChanged) {
    std::string text = outcome.failures.text(headline);
    if (!outcome.failures.empty()) {
        const FailureList::Failure& first = outcome.failures.all().front();
        const std::string reason = failureReason(first);
        if (!reason.empty()) {
            text += "\r" + reason + ".";
        } else if (first.error != 0) {
            text += "\r" + files.errorMessage(first.error) + ".";
        }
    }
    if (outcome.notRestored.empty()) {
        text += "\r" + nothingChanged;
    } else {
        text += "\r" + outcome.notRestored.text(
                           "Undoing the changes failed: %d file(s) could not be restored.");
    }
    return text;
}

std::string installedTitle(FileSystem& files, const std::string& installedDescription) {
    const IniFile installed = IniFile::read(files, installedDescription);
    return installed.readString("About", "Name", "") + " " +
           installed.readString("About", "Version", "1.0.0");
}

} // namespace velk
