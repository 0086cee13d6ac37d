// A stand-in for the text editor and for programs associated with document types.
//
// Appends its exact command line (GetCommandLineA, one line ended by CR LF) to the file named by
// the environment variable VELK_RECORD_FILE, or to "record.txt" beside the program when the
// variable is not set, and ends. It is a GUI program, so it shows no console, and it reads its
// message queue once, so that a starter waiting for it to become ready for input returns at once.
//
// Tests point an association's open command (or the Windows folder's notepad.exe) at it, set
// VELK_RECORD_FILE, start the program under test and compare the recorded line.
#include <windows.h>

#include <string>

namespace {

std::string recordFile() {
    char value[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableA("VELK_RECORD_FILE", value, sizeof value);
    if (length > 0 && length < sizeof value) {
        return std::string(value, length);
    }
    char self[MAX_PATH * 4];
    const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder(self, selfLength < sizeof self ? selfLength : 0);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + "record.txt";
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // ready for input

    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    HANDLE file =
        CreateFileA(recordFile().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 2;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == line.size() ? 0 : 3;
}
