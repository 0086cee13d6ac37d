#pragma once
// The list of files that installation could not copy or removal could not delete: every failed
// path with the system's error that made it fail, of which the report to the user shows the
// first few.

#include <cstddef>
#include <string>
#include <vector>

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

class FileSystem;

// The title of the library installed where `installedDescription` lies: its [About] "Name", one
// blank, its [About] "Version" ("1.0.0" when absent). A missing file reads as empty; a file that
// exists but cannot be opened throws AppError.
std::string installedTitle(FileSystem& files, const std::string& installedDescription);

} // namespace velk
