#include "platform/long_path.h"

#include <vector>

namespace velk {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool hasDrive(std::string_view path) {
    return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

bool isNetworkPath(std::string_view path) {
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

// A full path taken apart: "C:" or "\\server\share", and the names below it.
struct Parts {
    std::string root;
    std::vector<std::string> names;
    bool trailingSeparator = false;
};

std::string_view takeName(std::string_view& rest) {
    std::size_t end = 0;
    while (end < rest.size() && !isSeparator(rest[end])) {
        ++end;
    }
    const std::string_view name = rest.substr(0, end);
    rest.remove_prefix(end);
    return name;
}

// Adds the names of `rest` to `parts`, dropping "." and resolving "..".
void addNames(Parts& parts, std::string_view rest) {
    parts.trailingSeparator = !rest.empty() && isSeparator(rest.back());
    while (!rest.empty()) {
        while (!rest.empty() && isSeparator(rest.front())) {
            rest.remove_prefix(1);
        }
        std::string_view name = takeName(rest);
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            if (!parts.names.empty()) {
                parts.names.pop_back();
            }
            continue;
        }
        if (rest.empty() && !parts.trailingSeparator) {
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
                name.remove_suffix(1);
            }
        } else if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            parts.names.emplace_back(name);
        }
    }
}

// The root of a full path ("C:" or "\\server\share") and what follows it.
Parts rootOf(std::string_view& path) {
    Parts parts;
    if (isNetworkPath(path)) {
        path.remove_prefix(2);
        const std::string_view server = takeName(path);
        if (!path.empty()) {
            path.remove_prefix(1);
        }
        const std::string_view share = takeName(path);
        parts.root.assign("\\\\").append(server);
        if (!share.empty()) {
            parts.root.append("\\").append(share);
        }
    } else if (hasDrive(path)) {
        parts.root = path.substr(0, 2);
        path.remove_prefix(2);
    }
    return parts;
}

Parts partsOfFolder(std::string_view folder) {
    Parts parts = rootOf(folder);
    addNames(parts, folder);
    return parts;
}

// The current folder may itself be given in the extended form: its plain form.
std::string plainFolder(std::string_view folder) {
    if (folder.rfind("\\\\?\\UNC\\", 0) == 0) {
        return "\\\\" + std::string(folder.substr(8));
    }
    if (isExtendedPath(folder)) {
        return std::string(folder.substr(4));
    }
    return std::string(folder);
}

Parts partsOf(std::string_view path, std::string_view givenFolder) {
    const std::string currentFolder = plainFolder(givenFolder);
    if (isNetworkPath(path) || (hasDrive(path) && path.size() > 2 && isSeparator(path[2]))) {
        return partsOfFolder(path);
    }
    if (hasDrive(path)) {
        // "D:name": relative to the current folder when that lies on drive D:, else to "D:\".
        const bool sameDrive = hasDrive(currentFolder) && upper(currentFolder[0]) == upper(path[0]);
        Parts parts =
            partsOfFolder(sameDrive ? std::string_view(currentFolder) : path.substr(0, 2));
        addNames(parts, path.substr(2));
        return parts;
    }
    Parts parts = partsOfFolder(currentFolder);
    if (!path.empty() && isSeparator(path.front())) {
        parts.names.clear(); // "\name": from the root of the current folder's drive or share
    }
    addNames(parts, path);
    return parts;
}

} // namespace

bool isExtendedPath(std::string_view path) {
    return path.size() >= 4 && path[0] == '\\' && path[3] == '\\' &&
           ((path[1] == '\\' && (path[2] == '?' || path[2] == '.')) ||
            (path[1] == '?' && path[2] == '?'));
}

bool isFullPath(std::string_view path) {
    return isNetworkPath(path) || isExtendedPath(path) ||
           (hasDrive(path) && path.size() > 2 && isSeparator(path[2]));
}

std::string fullPath(std::string_view path, std::string_view currentFolder) {
    if (isExtendedPath(path)) {
        return std::string(path);
    }
    const Parts parts = partsOf(path, currentFolder);
    std::string full = parts.root;
    for (const std::string& name : parts.names) {
        full += '\\';
        full += name;
    }
    const bool networkRoot = parts.root.rfind("\\\\", 0) == 0;
    if ((parts.names.empty() && !networkRoot) ||
        (parts.trailingSeparator && !parts.names.empty())) {
        full += '\\'; // "C:\", and a trailing "\" as given
    }
    return full;
}

std::string extendedPath(std::string_view path, std::string_view currentFolder) {
    const std::string full = fullPath(path, currentFolder);
    if (isExtendedPath(full)) {
        return full;
    }
    if (isNetworkPath(full)) {
        return "\\\\?\\UNC\\" + full.substr(2);
    }
    return "\\\\?\\" + full;
}

std::string deviceName(std::string_view path) {
    if (isNetworkPath(path) || isExtendedPath(path)) {
        return {};
    }
    std::string_view name = path.substr(hasDrive(path) ? 2 : 0);
    for (std::size_t i = name.size(); i > 0; --i) {
        if (isSeparator(name[i - 1])) {
            name.remove_prefix(i);
            break;
        }
    }
    name = name.substr(0, name.find_first_of(".:"));
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    std::string device;
    for (const char c : name) {
        device += upper(c);
    }
    if (device == "NUL" || device == "CON" || device == "PRN" || device == "AUX" ||
        device == "CONIN$" || device == "CONOUT$") {
        return device;
    }
    if (device.starts_with("COM") || device.starts_with("LPT")) {
        // A digit from 1 to 9, or a superscript one, two or three (in UTF-8).
        const std::string_view number = std::string_view(device).substr(3);
        if ((number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
            number == "\xC2\xB2" || number == "\xC2\xB3") {
            return device;
        }
    }
    return {};
}

std::string pathForWindows(std::string_view path, std::string_view currentFolder,
                           std::size_t limit) {
    const bool full = isFullPath(path);
    const std::size_t length = full ? path.size() : currentFolder.size() + 1 + path.size();
    if (isExtendedPath(path) || length < limit) {
        return std::string(path);
    }
    return extendedPath(path, full ? std::string_view() : currentFolder);
}

} // namespace velk
