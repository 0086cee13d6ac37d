#include "platform/win32/dll_search.h"

namespace velk::win32 {

FARPROC loadedSystemFunction(const wchar_t* module, const char* function) {
    HMODULE handle = GetModuleHandleW(module);
    return handle != nullptr ? GetProcAddress(handle, function) : nullptr;
}

void restrictDllSearch() {
    // Windows 8 and later have SetDefaultDllDirectories (Windows 7 only with an update): looked
    // up, so that the program still starts where it is missing.
    const auto setDefaultDllDirectories =
        loadedSystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current folder out of the search also where the call above is missing.
    SetDllDirectoryW(L"");
}

} // namespace velk::win32
