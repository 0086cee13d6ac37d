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

} // namespace velk::win32
