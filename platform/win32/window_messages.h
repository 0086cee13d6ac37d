#pragma once
// Waiting on a thread that has windows (or COM's single-threaded apartment) without leaving its
// messages unanswered.

#include <windows.h>

#include <functional>

namespace velk::win32 {

// Waits until `object` is signalled, handing every message that arrives meanwhile to
// `onMessage`. Where messages cannot be waited for, it waits for `object` alone rather than
// spin. An error of `onMessage` goes up to the caller.
void waitHandlingMessages(HANDLE object, const std::function<void(MSG&)>& onMessage);

// Waits at most `boundMs` until `object` is signalled; meanwhile this thread's windows repaint and
// messages sent to them are answered, while their input waits in the queue: no handler runs in
// between, and what the user did meanwhile takes effect afterwards. True when `object` was
// signalled.
bool waitRepainting(HANDLE object, DWORD boundMs);

} // namespace velk::win32
