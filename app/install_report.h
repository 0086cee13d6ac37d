#pragma once
// The list of files that installation could not copy or removal could not delete, kept small
// however many files fail: the count, and the first few paths to show to the user.

#include <cstddef>
#include <string>
#include <vector>

namespace velk {

class FailureList {
  public:
    // How many paths the report names; further failures are only counted.
    static constexpr std::size_t kShownPaths = 10;

    void add(const std::string& path);
    bool empty() const { return count_ == 0; }
    std::size_t count() const { return count_; }
    const std::vector<std::string>& shownPaths() const { return shown_; }

    // `headline` with "%d" replaced by the count, then one line per shown path, then
    // "and N more." when there were more; lines joined with a carriage return.
    std::string text(const std::string& headline) const;

  private:
    std::size_t count_ = 0;
    std::vector<std::string> shown_;
};

class FileSystem;

// The title of the library installed where `installedDescription` lies: its [About] "Name", one
// blank, its [About] "Version" ("1.0.0" when absent). A missing file reads as empty; a file that
// exists but cannot be opened throws AppError.
std::string installedTitle(FileSystem& files, const std::string& installedDescription);

} // namespace velk
