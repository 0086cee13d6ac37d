// Loads a DLL by the name given, as Windows would load one on demand, and says whether it was
// found; with --restricted, after the program entry's restriction of the DLL search.
//
//   load_library [--restricted] <name>
//
// Exit code 0: loaded; 1: not found; 2: wrong arguments.
#include <windows.h>

#include <cwchar>

#include "platform/win32/dll_search.h"

int wmain(int argc, wchar_t** argv) {
    const bool restricted = argc == 3 && std::wcscmp(argv[1], L"--restricted") == 0;
    if (argc != (restricted ? 3 : 2)) {
        return 2;
    }
    if (restricted) {
        velk::win32::restrictDllSearch();
    }
    return LoadLibraryW(argv[argc - 1]) != nullptr ? 0 : 1;
}
