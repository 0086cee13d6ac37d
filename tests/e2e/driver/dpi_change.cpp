#include "tests/e2e/driver/dpi_change.h"

#include <string>

#include "platform/win32/unique_handles.h"

namespace velk::e2e {

void sendDpiChanged(const Window& window, int dpi, const RECT& suggested) {
    const win32::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, window.processId()));
    if (!process) {
        throw DriverError("cannot open the process of " + window.describe());
    }
    void* remote = VirtualAllocEx(process.get(), nullptr, sizeof suggested,
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) {
        throw DriverError("cannot allocate memory in the process of " + window.describe());
    }
    SIZE_T written = 0;
    DWORD_PTR result = 0;
    const bool sent =
        WriteProcessMemory(process.get(), remote, &suggested, sizeof suggested, &written) &&
        written == sizeof suggested &&
        SendMessageTimeoutW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                            reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000,
                            &result) != 0;
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    if (!sent) {
        throw DriverError("WM_DPICHANGED (" + std::to_string(dpi) + ") did not reach " +
                          window.describe());
    }
}

} // namespace velk::e2e
