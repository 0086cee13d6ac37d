#pragma once
// Breaking a line of text that is too wide for its window, where a reader expects it: at blanks,
// never inside brackets, so that a switch with its value ("[/dir=FOLDER]", "[/quiet | /passive]")
// stays whole on one line.

#include <functional>
#include <string>
#include <vector>

namespace velk {

// The lines `line` is broken into so that each measures at most `maxWidth` by `width`: at the
// last blank outside brackets before which it fits (else at the first such blank), the blanks
// there dropped, and every line after the first indented by four blanks. A part that no blank
// outside brackets divides stays whole, however wide.
std::vector<std::string> breakLine(const std::string& line, int maxWidth,
                                   const std::function<int(const std::string&)>& width);

} // namespace velk
