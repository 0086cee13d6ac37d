#include "platform/win32/system_library.h"

#include <string>

#include "platform/app_error.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

namespace {

HMODULE loadFromSystemFolder(const wchar_t* fileName) {
    HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // A Windows 7 without the update that knows the flag: the full path in the system folder,
    // whose own imports are then looked for there first.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

HMODULE loadSystemLibrary(const wchar_t* fileName) {
    HMODULE module = loadFromSystemFolder(fileName);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        throw AppError("Cannot load the system library \"" + toUtf8(fileName) + "\". " +
                       systemErrorText(error));
    }
    return module;
}

FARPROC findSystemFunction(const wchar_t* fileName, const char* name) {
    HMODULE module = loadFromSystemFolder(fileName);
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

FARPROC requireSystemFunction(const wchar_t* fileName, const char* name) {
    FARPROC function = GetProcAddress(loadSystemLibrary(fileName), name);
    if (function == nullptr) {
        throw AppError("The system library \"" + toUtf8(fileName) + "\" lacks the function \"" +
                       name + "\"");
    }
    return function;
}

} // namespace velk::win32
