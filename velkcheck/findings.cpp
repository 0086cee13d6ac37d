#include "velkcheck/findings.h"

#include <algorithm>

#include "platform/printable_text.h"

namespace velk::check {

bool Findings::hasErrors() const {
    return std::any_of(list_.begin(), list_.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

std::string formatFinding(const Finding& finding) {
    std::string line = printable(finding.path);
    if (finding.line > 0) {
        line += ':' + std::to_string(finding.line);
    }
    line += finding.severity == Severity::Error ? ": error: " : ": warning: ";
    line += printable(finding.text);
    return line;
}

} // namespace velk::check
