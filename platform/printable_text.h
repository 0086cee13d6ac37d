#pragma once
// Text from outside (names, paths, registry values) as it may be printed on one line of a
// terminal or a log.

#include <string>
#include <string_view>

namespace velk {

// The text as it may be printed: every control character (U+0000 to U+001F, U+007F to U+009F),
// the line and paragraph separators (U+2028, U+2029) and every byte that is not UTF-8 written as
// "\xHH" (hexadecimal) for each of its bytes, so that nothing in a name breaks a line or steers
// the terminal. A backslash stays as it is: it separates Windows paths.
std::string printable(std::string_view text);

} // namespace velk
