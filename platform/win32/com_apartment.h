#pragma once
// COM on a thread, started through ole32.dll loaded from the system folder on first use
// (system_functions.h): only the work that needs COM (the folder tree, the taskbar, the shell's
// automation, the annotations for screen readers) loads it.

#include <windows.h>

#include <objbase.h>

namespace velk::win32 {

// Starts COM on this thread for as long as it lives, through ole32.dll loaded on first use: a
// single-threaded apartment, or with COINIT_MULTITHREADED the process's multithreaded one.
// Throws AppError when ole32.dll cannot be loaded; a thread on which COM is already started
// keeps it as it is.
class ComApartment {
  public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED);
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();

  private:
    bool started_ = false;
};

} // namespace velk::win32
