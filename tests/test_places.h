#pragma once
// Where the Windows tests find the programs and data they use, and where they work and leave
// screenshots: in the build and source folders they were built from, or, where the test kit's
// run-tests.cmd starts them, in the places it names through the environment:
//   VELK_TEST_KIT      the unpacked kit: the programs side by side, the data (examples\package,
//                      docs\deploy) at the places they have in the sources
//   VELK_TEST_WORK     a folder for the tests' files, emptied by the tests themselves
//   VELK_TEST_RESULTS  the folder of screenshots and logs

#include <windows.h>

#include <string>

namespace velk::testing {

// The variable's value ("" when it is not set), without a trailing backslash.
inline std::string placeFromEnvironment(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    if (length == 0 || length >= 1024) {
        return {};
    }
    std::wstring wide(value, length);
    while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) {
        wide.pop_back();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
}

// A Windows path of one built in: Wine shows the Unix root as drive Z:.
inline std::string builtInPlace(std::string path) {
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

// The kit's folder, else `built` (a folder the build names).
inline std::string kitOr(const std::string& built) {
    const std::string kit = placeFromEnvironment(L"VELK_TEST_KIT");
    return kit.empty() ? builtInPlace(built) : kit;
}

// A file or folder of the sources, by its path there ("examples/package"): in the kit at the
// same place.
inline std::string sourceData(const std::string& sourceDir, const std::string& relative) {
    return kitOr(sourceDir) + "\\" + builtInPlace(relative);
}

} // namespace velk::testing
