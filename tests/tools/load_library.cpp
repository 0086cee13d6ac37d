// Loads a DLL by the name given, as Windows would load one on demand, and says whether it was
// found; with --restricted, after the program entry's restriction of the DLL search; with
// --system-folder, through the program's loader of system DLLs (platform/win32/system_library.h)
// instead, without the restriction.
//
//   load_library [--restricted | --system-folder] <name>
//
// Exit code 0: loaded; 1: not found; 2: wrong arguments.
#include <windows.h>

#include <cwchar>
#include <exception>

#include "platform/win32/dll_search.h"
#include "platform/win32/system_library.h"

int wmain(int argc, wchar_t** argv) {
    const bool restricted = argc == 3 && std::wcscmp(argv[1], L"--restricted") == 0;
    const bool systemFolder = argc == 3 && std::wcscmp(argv[1], L"--system-folder") == 0;
    if (argc != (restricted || systemFolder ? 3 : 2)) {
        return 2;
    }
    const wchar_t* name = argv[argc - 1];
    if (systemFolder) {
        try {
            velk::win32::loadSystemLibrary(name);
            return 0;
        } catch (const std::exception&) {
            return 1;
        }
    }
    if (restricted) {
        velk::win32::restrictDllSearch();
    }
    return LoadLibraryW(name) != nullptr ? 0 : 1;
}
