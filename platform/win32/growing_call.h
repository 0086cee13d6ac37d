#pragma once
// Texts that Windows writes into a caller's buffer of a size it cannot know beforehand.

#include <windows.h>

#include <algorithm>
#include <string>

namespace velk::win32 {

// Calls `get(buffer, capacity)`, a function of the GetModuleFileName kind that returns the
// length written (or, like GetWindowsDirectory, GetFullPathName and GetFinalPathNameByHandle,
// the size it needs), growing the buffer while the result may have been cut. Empty when the
// call fails.
template <typename Get> std::wstring growingCall(Get get) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD capacity = static_cast<DWORD>(buffer.size());
        const DWORD length = get(buffer.data(), capacity);
        if (length == 0) {
            return {};
        }
        if (length < capacity - 1) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 1u << 20) {
            buffer.resize(std::min<std::size_t>(length, buffer.size()));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace velk::win32
