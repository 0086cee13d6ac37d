#pragma once
// Where the process looks for a DLL that is loaded by name.
//
// The installer runs elevated from a folder that whoever unpacked the package can write to,
// and it makes the package's "Libs" folder current: a DLL placed there under the name of one
// that Windows loads on demand (themes, the shell, the folder tree) must never be loaded.

#include <windows.h>

namespace velk::win32 {

// Restricts the search for DLLs loaded by name, for the whole process and from now on, to the
// system folder: neither the program's folder nor the current folder is searched any more.
// Called first thing at the program's entry.
void restrictDllSearch();

// A function of a system DLL that the process has already loaded (user32, kernel32, ...), or
// null where this Windows lacks it. Nothing is loaded and no folder is searched.
FARPROC loadedSystemFunction(const wchar_t* module, const char* function);

// A function found by GetProcAddress as the type it has.
template <typename Function> Function functionFrom(FARPROC function) noexcept {
    // Through the one function type that converts to every other without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

//   auto getDpi = loadedSystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow");
template <typename Function>
Function loadedSystemFunction(const wchar_t* module, const char* function) {
    return functionFrom<Function>(loadedSystemFunction(module, function));
}

} // namespace velk::win32
