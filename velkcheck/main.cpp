// velkcheck: checks a library package as the installer will read it.

#include <iostream>
#include <string>
#include <vector>

#include "velkcheck/command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide_text.h"

// Arguments arrive as UTF-16, so that folders named in any script reach the checker intact;
// findings leave as UTF-8.
// The console's code page belongs to the console window, which outlives the checker: it is set
// back once the findings are out, so that later programs in that window print as before.
int wmain(int argc, wchar_t** argv) {
    const UINT consolePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(velk::win32::toUtf8(argv[i]));
    }
    const int exitCode = velk::check::runCommandLine(arguments, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    if (consolePage != 0) {
        SetConsoleOutputCP(consolePage);
    }
    return exitCode;
}
#else
int main(int argc, char** argv) {
    return velk::check::runCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                       std::cerr);
}
#endif
