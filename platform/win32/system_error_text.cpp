#include "platform/win32/system_error_text.h"

#include <windows.h>

#include <string_view>

#include "platform/win32/wide_text.h"

namespace velk::win32 {

std::string systemErrorText(unsigned long errorCode) {
    std::wstring buffer(512, L'\0');
    DWORD length = 0;
    for (;;) {
        length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           errorCode, 0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
        if (length != 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
            buffer.size() >= 1u << 16) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string text = toUtf8(std::wstring_view(buffer.data(), length));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    // The general error report appends its own full stop.
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (text.empty()) {
        text = "System error " + std::to_string(errorCode);
    }
    return text;
}

} // namespace velk::win32
