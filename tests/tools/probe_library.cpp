// A DLL of our own that does nothing: what a planted DLL would be, for the tests of where the
// program looks for DLLs.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
