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

} // namespace velk::win32
