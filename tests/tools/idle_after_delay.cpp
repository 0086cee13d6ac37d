// A GUI program that becomes ready for input only after a delay.
//
//   idle_after_delay <milliseconds> <release event>
//
// Sleeps the given time without reading messages, then waits in its message loop until the
// named event is set (at most 30 s) and ends.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3) {
        return 1;
    }
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, __argv[2]);
    if (release == nullptr) {
        return 3;
    }
    Sleep(static_cast<DWORD>(std::strtoul(__argv[1], nullptr, 10)));
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= 30000) {
            return 4;
        }
        if (MsgWaitForMultipleObjects(1, &release, FALSE, 30000 - elapsed, QS_ALLINPUT) ==
            WAIT_OBJECT_0) {
            return 0;
        }
    }
}
