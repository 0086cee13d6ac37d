#include "platform/file_system.h"

#include "platform/app_error.h"
#include "platform/long_path.h"

namespace velk {

namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool hasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && upperAscii(path[0]) >= 'A' &&
           upperAscii(path[0]) <= 'Z';
}

} // namespace

std::optional<DirEntry> FileSystem::entryNamed(const std::string& folder, const std::string& name) {
    std::optional<DirEntry> found;
    // A search by name finds a file by its short (8.3) name too: only the name itself counts.
    enumerate(folder + "\\" + name, [&](const DirEntry& entry) {
        if (!found && compareFileNames(entry.name, name) == 0) {
            found = entry;
        }
    });
    if (found) {
        found->name = name;
    }
    return found;
}

std::string fullPathFrom(FileSystem& files, const std::string& path, const std::string& from) {
    if (from.empty() || path.empty() || isFullPath(path) || !deviceName(path).empty()) {
        return files.fullPath(path);
    }
    // The system keeps a current folder for each drive: "D:x" on a drive other than `from`'s is
    // taken from there, as it always was.
    if (hasDriveLetter(path) &&
        !(hasDriveLetter(from) && upperAscii(from[0]) == upperAscii(path[0]))) {
        return files.fullPath(path);
    }
    return files.fullPath(velk::fullPath(path, from));
}

std::string readWholeFile(FileSystem& files, const std::string& path) {
    std::string content;
    const FsResult read = files.readFile(path, content);
    if (!read) {
        throw AppError("Cannot open file \"" + files.fullPath(path) + "\". " +
                       files.errorMessage(read.error()));
    }
    return content;
}

} // namespace velk
