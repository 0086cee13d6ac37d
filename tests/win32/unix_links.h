#pragma once
// Symbolic links made for tests: through the system on Windows, as Unix links under Wine, which
// makes none itself and shows a Unix link as one.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velk::win32::testing {

// Starts a Unix command (program and arguments, Unix paths) from under Wine, which starts Unix
// programs as it starts Windows ones, and waits up to ten seconds until `done` holds: Wine gives
// no handle to wait for such a program. False when it cannot be started or `done` never holds.
inline bool runUnix(const std::string& program, const std::vector<std::string>& arguments,
                    const std::function<bool()>& done) {
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) {
        line += " \"" + argument + "\"";
    }
    // Wine finds a Unix program by its path on drive Z:, the Unix root.
    std::wstring application = L"Z:" + toWide(program);
    for (wchar_t& c : application) {
        c = c == L'/' ? L'\\' : c;
    }
    std::wstring commandLine = toWide(line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    for (int i = 0; i < 200 && !done(); ++i) {
        Sleep(50);
    }
    return done();
}

// The Unix path of a Windows one under Wine; empty elsewhere.
inline std::string unixPath(const std::string& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return {};
    }
    char* unix = convert(toWide(path).c_str());
    if (unix == nullptr) {
        return {};
    }
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

inline bool pathThere(const std::string& path) {
    return GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Makes `link` a symbolic link to `target` (a name relative to the link's folder).
inline bool makeLink(const std::string& link, const std::string& target, bool folder) {
    const std::string unixLink = unixPath(link);
    if (!unixLink.empty()) {
        std::string unixTarget = target;
        for (char& c : unixTarget) {
            c = c == '\\' ? '/' : c;
        }
        return runUnix("/bin/ln", {"-s", unixTarget, unixLink},
                       [&link] { return pathThere(link); });
    }
    return CreateSymbolicLinkW(toWide(link).c_str(), toWide(target).c_str(),
                               (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                                   SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != FALSE;
}

// Removes a link made by makeLink, never what it leads to; false when it stays.
inline bool removeLink(const std::string& link) {
    const std::string unixLink = unixPath(link);
    if (!unixLink.empty()) {
        return runUnix("/bin/rm", {unixLink}, [&link] { return !pathThere(link); });
    }
    return RemoveDirectoryW(toWide(link).c_str()) || DeleteFileW(toWide(link).c_str());
}

} // namespace velk::win32::testing
