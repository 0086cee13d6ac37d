#pragma once
// What the checker reports: one finding a line, in the form compilers use, so that editors and
// CI systems point at the place.

#include <ostream>
#include <string>
#include <vector>

namespace velk::check {

enum class Severity { Error, Warning };

struct Finding {
    std::string path;
    int line = 0; // 0: the finding has no line
    Severity severity = Severity::Warning;
    std::string text;
};

class Findings {
  public:
    void error(const std::string& path, int line, std::string text) {
        list_.push_back(Finding{path, line, Severity::Error, std::move(text)});
    }
    void warning(const std::string& path, int line, std::string text) {
        list_.push_back(Finding{path, line, Severity::Warning, std::move(text)});
    }
    const std::vector<Finding>& list() const { return list_; }
    std::vector<Finding>& list() { return list_; }
    bool hasErrors() const;
    bool empty() const { return list_.empty(); }

  private:
    std::vector<Finding> list_;
};

// "PATH:LINE: error: TEXT" or "PATH: warning: TEXT", without a line end, its path and
// text printable (platform/printable_text.h): one line.
std::string formatFinding(const Finding& finding);

} // namespace velk::check
