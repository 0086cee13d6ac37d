#include "platform/win32/program_arguments.h"

#include <windows.h>

#include "platform/command_line_split.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

// Where the program's name ends, which the system's rules end at the closing quote when it
// begins with one, else at the first blank.
std::size_t programNameEnd(const std::wstring& commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        end = commandLine.find(L'"', 1);
        return end == std::wstring::npos ? commandLine.size() : end + 1;
    }
    end = commandLine.find_first_of(L" \t");
    return end == std::wstring::npos ? commandLine.size() : end;
}

} // namespace

std::vector<std::string> argumentsOf(const std::wstring& commandLine) {
    return splitArguments(toUtf8(commandLine.substr(programNameEnd(commandLine))));
}

std::vector<std::string> programArguments() {
    return argumentsOf(GetCommandLineW());
}

} // namespace velk::win32
