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

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const wchar_t* kLogPixels = L"LogPixels";

} // namespace

ScreenDpi::ScreenDpi(int dpi) {
    DWORD size = sizeof before_;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                     &before_, &size) != ERROR_SUCCESS) {
        before_ = 0;
    }
    const auto value = static_cast<DWORD>(dpi);
    const LONG result = RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD,
                                        &value, sizeof value);
    if (result != ERROR_SUCCESS) {
        throw DriverError("cannot set the screen's resolution: error " + std::to_string(result));
    }
}

ScreenDpi::~ScreenDpi() {
    if (before_ != 0) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &before_,
                        sizeof before_);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
}

} // namespace velk::e2e
