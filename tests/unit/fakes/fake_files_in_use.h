#pragma once
// Files in use as the fake file system holds them: a file that is locked, read by another
// program (or held for some more tries) is in use, and the programs that hold it are whatever the
// test says. Pauses are recorded, never waited; a test may act at each (let a file go, for
// instance).

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/files_in_use.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk::testing {

class FakeFilesInUse : public FilesInUse {
  public:
    explicit FakeFilesInUse(FakeFileSystem& files) : files_(files) {}

    // The programs that hold each file, by the file's path (any case); none named by default.
    void heldBy(const std::string& path, std::vector<FileHolder> programs) {
        holders_[FakeFileSystem::key(files_.normalise(path))] = std::move(programs);
    }
    // How many checks were made, and the pauses between them.
    int checks = 0;
    std::vector<unsigned> pauses;
    // Runs at each pause, after it is recorded.
    std::function<void()> onPause;

    FilesHeld check(const std::vector<std::string>& paths) override {
        ++checks;
        FilesHeld held;
        for (const std::string& path : paths) {
            // Each look is a try: a file held for some more tries is held for one fewer after it.
            FakeFileSystem::Node* node = files_.find(path);
            if (node == nullptr || node->folder ||
                (!node->locked && !node->readBy && node->heldForTries == 0)) {
                continue;
            }
            if (node->heldForTries > 0) {
                --node->heldForTries;
            }
            held.files.push_back(path);
            const auto found = holders_.find(FakeFileSystem::key(files_.normalise(path)));
            if (found == holders_.end()) {
                continue;
            }
            for (const FileHolder& holder : found->second) {
                if (std::find(held.programs.begin(), held.programs.end(), holder) ==
                    held.programs.end()) {
                    held.programs.push_back(holder);
                }
            }
        }
        return held;
    }

    void pause(unsigned ms) override {
        pauses.push_back(ms);
        if (onPause) {
            onPause();
        }
    }

  private:
    FakeFileSystem& files_;
    std::map<std::string, std::vector<FileHolder>> holders_;
};

} // namespace velk::testing
