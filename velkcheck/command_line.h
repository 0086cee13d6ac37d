#pragma once
// The checker's command line: velkcheck [--werror] PACKAGE_FOLDER, velkcheck --help.

#include <ostream>
#include <string>
#include <vector>

namespace velk::check {

// Runs the checker with the arguments after the program's name; findings and help go to `out`,
// complaints about the command line to `err`. Gives the exit code: 0 no error, 1 an error (or a
// warning under --werror), 2 a bad command line or a package folder that does not exist.
int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace velk::check
