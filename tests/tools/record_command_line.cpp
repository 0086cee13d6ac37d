// A stand-in for the text editor and for programs associated with document types.
//
// Appends its exact command line (GetCommandLineW as UTF-8, one line ended by CR LF) to the file
// named by the environment variable VELK_RECORD_FILE, or to "record.txt" beside the program when
// the variable is not set, and ends. It is a GUI program, so it shows no console, and it reads
// its message queue once, so that a starter waiting for it to become ready for input returns at
// once.
//
// Tests point an association's open command (or the Windows folder's notepad.exe) at it, set
// VELK_RECORD_FILE, start the program under test and compare the recorded line.
#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace {

std::wstring recordFile() {
    std::wstring value(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"VELK_RECORD_FILE", value.data(),
                                                 static_cast<DWORD>(value.size()));
    if (length > 0 && length < value.size()) {
        value.resize(length);
        return value;
    }
    std::wstring self(32768, L'\0');
    const DWORD selfLength =
        GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    self.resize(selfLength < self.size() ? selfLength : 0);
    self.erase(self.find_last_of(L'\\') + 1);
    return self + L"record.txt";
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // ready for input

    const std::string line = velk::win32::toUtf8(GetCommandLineW()) + "\r\n";
    HANDLE file =
        CreateFileW(recordFile().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
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
