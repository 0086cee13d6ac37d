#include "package/work_folder_name.h"

#include <cctype>

#include "package/package_rules.h"
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

int workFolderNumber(std::string_view name) {
    if (name.size() < kNamePrefix.size() + kNameSuffix.size() ||
        !sameTextAscii(name.substr(0, kNamePrefix.size()), kNamePrefix) ||
        !sameTextAscii(name.substr(name.size() - kNameSuffix.size()), kNameSuffix)) {
        return 0;
    }
    const std::string_view digits =
        name.substr(kNamePrefix.size(), name.size() - kNamePrefix.size() - kNameSuffix.size());
    if (digits.empty()) {
        return 1;
    }
    // As workFolderName writes them: 2 and above, no leading zero, no more than it tries.
    if (digits.size() > 6 || digits[0] == '0') {
        return 0;
    }
    int number = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number > 1 ? number : 0;
}

bool isWorkFolderName(std::string_view name) {
    return workFolderNumber(name) != 0;
}

bool isReservedName(std::string_view name) {
    const std::string_view made = madeName(name);
    if (isWorkFolderName(made)) {
        return true;
    }
    // A short name: at most eight characters, one dot, an extension of the first three letters
    // of "work"; it keeps the long name's first letters ("~V" at least) and a "~" after them.
    const std::size_t dot = made.find('.');
    if (dot == std::string_view::npos || dot > 8 ||
        !sameTextAscii(made.substr(dot), kNameSuffix.substr(0, 4))) {
        return false;
    }
    const std::string_view base = made.substr(0, dot);
    return base.size() > 2 && sameTextAscii(base.substr(0, 2), kNamePrefix.substr(0, 2)) &&
           base.find('~', 2) != std::string_view::npos;
}

} // namespace velk
