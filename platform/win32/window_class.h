#pragma once
// The program's window classes: Unicode, so that their windows get and give text as UTF-16 and
// the common controls in them send their notifications in the wide form, with the program's
// icon and the dialog colour behind them.

#include <windows.h>

namespace velk::win32 {

// Registers the class `name` with `procedure` once; later calls find it registered and leave it.
void registerWindowClass(const wchar_t* name, WNDPROC procedure);

} // namespace velk::win32
