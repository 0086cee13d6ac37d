#include "platform/win32/dll_search.h"

#include "platform/win32/system_functions.h"

namespace velk::win32 {

void restrictDllSearch() {
    // Windows 8 and later have SetDefaultDllDirectories (Windows 7 only with an update): looked
    // up, so that the program still starts where it is missing.
    if (const auto function = setDefaultDllDirectories.find(); function != nullptr) {
        function(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current folder out of the search also where the call above is missing.
    SetDllDirectoryW(L"");
}

} // namespace velk::win32
