#pragma once
// The program's arguments as Windows splits its command line.

#include <string>
#include <vector>

namespace velk::win32 {

// `commandLine` split by the system's own rules (CommandLineToArgvW: blanks between arguments,
// double quotes around blanks, backslashes before quotes), the program's name that leads it left
// out, each in UTF-8; a quoted value that ends in a backslash keeps it (splitArguments).
std::vector<std::string> argumentsOf(const std::wstring& commandLine);

// The running program's arguments (GetCommandLineW), split as above.
std::vector<std::string> programArguments();

} // namespace velk::win32
