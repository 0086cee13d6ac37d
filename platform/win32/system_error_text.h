#pragma once
// The system's own words for an error code, for messages and the run log.

#include <string>

namespace velk::win32 {

// The system's text for an error code, without the trailing line break and full stop.
std::string systemErrorText(unsigned long errorCode);

} // namespace velk::win32
