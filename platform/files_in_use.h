#pragma once
// Which files other programs hold open so that they cannot be replaced, moved or deleted, and
// which programs those are, for telling the user whom to close. Programs are never closed from
// here: one may hold unsaved work.

#include <string>
#include <vector>

namespace velk {

// A program that holds files open.
struct FileHolder {
    std::string name; // as the system names it for the user; empty where it gives none
    unsigned long processId = 0;
    bool operator==(const FileHolder&) const = default;
};

// The files asked about that are in use, and the programs that hold them.
struct FilesHeld {
    std::vector<std::string> files;   // in the order asked
    std::vector<FileHolder> programs; // each once; may be empty where the system tells none
    bool empty() const { return files.empty(); }
};

class FilesInUse {
  public:
    virtual ~FilesInUse() = default;
    // Which of `paths` (full paths) another program holds open so that they cannot be moved or
    // deleted, and the programs that hold them. A path with no file there is not in use.
    virtual FilesHeld check(const std::vector<std::string>& paths) = 0;
    // Waits `ms` milliseconds before the next check, for a run that waits for the files.
    virtual void pause(unsigned ms) = 0;
};

} // namespace velk
