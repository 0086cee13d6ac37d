#include "platform/win32/window_messages.h"

namespace velk::win32 {

void waitHandlingMessages(HANDLE object, const std::function<void(MSG&)>& onMessage) {
    for (;;) {
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &object, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) {
            return;
        }
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(object, INFINITE);
            return;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            onMessage(msg);
        }
    }
}

bool waitRepainting(HANDLE object, DWORD boundMs) {
    const ULONGLONG end = GetTickCount64() + boundMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        }
        const auto left = static_cast<DWORD>(end - now);
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &object, left, QS_PAINT | QS_SENDMESSAGE, 0);
        if (woke == WAIT_OBJECT_0) {
            return true;
        }
        if (woke == WAIT_TIMEOUT) {
            return false;
        }
        if (woke == WAIT_FAILED) { // messages cannot be waited for: the object alone
            return WaitForSingleObject(object, left) == WAIT_OBJECT_0;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
            DispatchMessageW(&msg);
        }
    }
}

} // namespace velk::win32
