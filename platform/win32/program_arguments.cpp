#include "platform/win32/program_arguments.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

// Whether anything but blanks follows the program's name, which the system's rules end at the
// closing quote when it begins with one, else at the first blank.
bool holdsArguments(const std::wstring& commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        end = commandLine.find(L'"', 1);
        end = end == std::wstring::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find_first_of(L" \t");
        end = end == std::wstring::npos ? commandLine.size() : end;
    }
    return commandLine.find_first_not_of(L" \t", end) != std::wstring::npos;
}

} // namespace

std::vector<std::string> argumentsOf(const std::wstring& commandLine) {
    std::vector<std::string> arguments;
    if (!holdsArguments(commandLine)) {
        return arguments;
    }
    int count = 0;
    const UniqueLocal<LPWSTR*> split(commandLineToArgv(commandLine.c_str(), &count));
    for (int i = 1; split && i < count; ++i) {
        arguments.push_back(toUtf8(split.get()[i]));
    }
    return arguments;
}

std::vector<std::string> programArguments() {
    return argumentsOf(GetCommandLineW());
}

} // namespace velk::win32
