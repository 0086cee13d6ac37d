#pragma once
// What the checker reports: one finding a line, in the form compilers use, so that editors and
// CI systems point at the place.

#include <ostream>
#include <string>
#include <string_view>
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

// The text as it may be printed: every control character (U+0000 to U+001F, U+007F to U+009F),
// the line and paragraph separators (U+2028, U+2029) and every byte that is not UTF-8 written as
// "\xHH" (hexadecimal) for each of its bytes, so that nothing in a name breaks a line or steers
// the terminal. A backslash stays as it is: it separates Windows paths.
std::string escaped(std::string_view text);

// "PATH:LINE: error: TEXT" or "PATH: warning: TEXT", without a line end, escaped: one line.
std::string formatFinding(const Finding& finding);

} // namespace velk::check
