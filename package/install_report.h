#pragma once
// What an installation or removal reports: every path that failed with the system's error that
// made it fail, of which the box shows the first few; and the outcome of the whole work, done
// whole or undone, with what the undo could not put back.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace velk {

class FailureList {
  public:
    // How many paths the report names; further failures are only counted.
    static constexpr std::size_t kShownPaths = 10;

    struct Failure {
        std::string path;
        unsigned long error = 0; // the system's error code; 0 when the platform gave none
    };

    void add(const std::string& path, unsigned long error = 0);
    bool empty() const { return all_.empty(); }
    std::size_t count() const { return all_.size(); }
    // Every failure, in the order they happened.
    const std::vector<Failure>& all() const { return all_; }

    // `headline` with "%d" replaced by the count, then one line per shown path, then
    // "and N more." when there were more; lines joined with a carriage return.
    std::string text(const std::string& headline) const;

  private:
    std::vector<Failure> all_;
};

// The outcome of an installation or a removal, which changes the target all or nothing.
struct WorkOutcome {
    // What failed: copies, listings, moves, replacements. Empty when the work was done whole;
    // otherwise every change it had made was undone.
    FailureList failures;
    // What the undo could not put back as it was (the target paths); empty when it could.
    FailureList notRestored;
    // The files installed or removed, when the work was done whole.
    std::size_t files = 0;
    // Of the files installed, those that held the package's bytes already and stayed in place.
    std::size_t unchanged = 0;
    // Another run began to work in the target at the same time: this one did nothing.
    bool busy = false;

    bool done() const { return failures.empty() && !busy; }
    // The work could not begin in `target`: another run works there (the failure is a sharing
    // violation, on the work folder's mark), or the reason is the target's failure.
    void notBegun(const std::string& target, unsigned long error) {
        if (error == kErrorSharingViolation) {
            busy = true;
        } else {
            failures.add(target, error);
        }
    }
};

// The program's own words for a failure that the system's message for its error does not
// explain: a path that Windows takes for a device ("CON.txt", "C:\x\aux"), where no file can be
// made or read under that name, and a package folder that holds a link leading out of the
// package. Empty for any other failure.
std::string failureReason(const FailureList::Failure& failure);

class FileSystem;

// The text of the box that reports failed work: `headline` ("%d" the count) and the failed
// paths, the system's message for the first failure (or failureReason), and then either
// `nothingChanged` or, when the undo failed, the paths it could not restore.
std::string failureReport(FileSystem& files, const WorkOutcome& outcome,
                          const std::string& headline, const std::string& nothingChanged);

// The title of the library installed where `installedDescription` lies: its [About] "Name", one
// blank, its [About] "Version" ("1.0.0" when absent). A missing file reads as empty; a file that
// exists but cannot be opened throws AppError.
std::string installedTitle(FileSystem& files, const std::string& installedDescription);

} // namespace velk
