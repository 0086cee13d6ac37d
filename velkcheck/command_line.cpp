#include "velkcheck/command_line.h"

#include "velkcheck/package_check.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

namespace {

const char* const kUsage = "usage: velkcheck [--werror] PACKAGE_FOLDER\n";

const char* const kHelp =
    "Checks a library package for VelkInstall.exe before it ships: reads it exactly as the\n"
    "installer will and reports what would go wrong or surprise its users. The package is\n"
    "never changed.\n"
    "\n"
    "One finding a line, in the form compilers use:\n"
    "  PATH:LINE: error: TEXT      the installer will misbehave\n"
    "  PATH: warning: TEXT         the installer does something likely not meant\n"
    "Nothing is printed for a clean package. Control characters (line breaks, escape ...)\n"
    "and bytes that are not UTF-8 print as \\xHH, one for each byte (\\x0A a line break).\n"
    "\n"
    "Options:\n"
    "  --werror   treat warnings as errors\n"
    "  --help     show this text\n"
    "\n"
    "Exit code: 0 no error (warnings allowed), 1 an error (or a warning under --werror),\n"
    "2 a bad command line or a package folder that does not exist.\n";

} // namespace

int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    bool werror = false;
    bool optionsEnded = false;
    std::vector<std::string> folders;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            folders.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            out << kUsage << kHelp;
            return 0;
        } else if (argument == "--werror") {
            werror = true;
        } else {
            err << "velkcheck: unknown option " << argument << "\n" << kUsage;
            return 2;
        }
    }
    if (folders.size() != 1) {
        err << (folders.empty() ? "velkcheck: no package folder given\n"
                                : "velkcheck: more than one package folder given\n")
            << kUsage;
        return 2;
    }
    const std::string& folder = folders.front();
    if (folder.empty() || !isFolder(folder)) {
        err << "velkcheck: " << folder << ": no such folder\n";
        return 2;
    }

    const Findings findings = checkPackage(folder);
    for (const Finding& finding : findings.list()) {
        out << formatFinding(finding) << '\n';
    }
    out.flush();
    return findings.hasErrors() || (werror && !findings.empty()) ? 1 : 0;
}

} // namespace velk::check
