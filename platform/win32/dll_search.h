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

} // namespace velk::win32
