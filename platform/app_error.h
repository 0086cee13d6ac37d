#pragma once
// An error that a handler does not handle itself. It travels as an exception up to the one
// place that shows the general error report (see app/error_report.h).

#include <stdexcept>
#include <string>

namespace velk {

class AppError : public std::runtime_error {
  public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace velk
