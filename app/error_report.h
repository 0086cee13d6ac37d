#pragma once
// The general error report: the one place where errors that no handler handles are shown.

#include <functional>
#include <string>

namespace velk {

class MessageBoxes;

// The program's title, the caption of the general error report.
inline constexpr const char* kProgramTitle = "VELK Zull Installer";

// The text as the report shows it: a full stop appended when the last character sorts after ".".
std::string errorReportText(const std::string& message);

// Runs `action`; an exception leaving it is shown by the general error report and ends the
// action there. Returns false when that happened.
bool runReportingErrors(MessageBoxes& boxes, const std::function<void()>& action);

} // namespace velk
