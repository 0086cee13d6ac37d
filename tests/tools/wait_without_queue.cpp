// A program that never has a message queue: a console program (started detached, it has no
// console either) that only waits.
//
//   wait_without_queue <release event>
//
// Waits until the named event is set (at most 30 s) and ends.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 1;
    }
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (release == nullptr) {
        return 3;
    }
    const DWORD wait = WaitForSingleObject(release, 30000);
    CloseHandle(release);
    return wait == WAIT_OBJECT_0 ? 0 : 4;
}
