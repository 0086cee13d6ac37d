#include "package/work_folder_name.h"

#include <cctype>

#include "package/text_compare.h"

namespace velk {

namespace {

constexpr std::string_view kNamePrefix = "~VelkInstall";
constexpr std::string_view kNameSuffix = ".work";

} // namespace

std::string workFolderName(int number) {
    return std::string(kNamePrefix) + (number > 1 ? std::to_string(number) : std::string()) +
           std::string(kNameSuffix);
}

bool isWorkFolderName(std::string_view name) {
    if (name.size() < kNamePrefix.size() + kNameSuffix.size() ||
        !sameTextAscii(name.substr(0, kNamePrefix.size()), kNamePrefix) ||
        !sameTextAscii(name.substr(name.size() - kNameSuffix.size()), kNameSuffix)) {
        return false;
    }
    for (std::size_t i = kNamePrefix.size(); i < name.size() - kNameSuffix.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace velk
