// Holds a file open without sharing, as another program using it would.
//
//   hold_file_open <file> <ready event> <release event>
//
// Opens <file> for reading and writing with share mode 0, sets the named event <ready event>
// and keeps the file open until the named event <release event> is set (at most 60 s).
// Exit code 0 after a release, 2 when the file cannot be opened, 3 when an event is missing,
// 4 on time-out.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        return 1;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (ready == nullptr || release == nullptr) {
        return 3;
    }
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 2;
    }
    SetEvent(ready);
    const DWORD wait = WaitForSingleObject(release, 60000);
    CloseHandle(file);
    CloseHandle(ready);
    CloseHandle(release);
    return wait == WAIT_OBJECT_0 ? 0 : 4;
}
