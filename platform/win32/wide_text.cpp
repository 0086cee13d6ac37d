#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace velk::win32 {
namespace {

// The Win32 conversion functions count in int.
int checkedLength(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("text too long to convert");
    }
    return static_cast<int>(length);
}

std::wstring multiByteToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = checkedLength(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

} // namespace

std::wstring toWide(std::string_view utf8) {
    return multiByteToWide(CP_UTF8, utf8);
}

std::wstring ansiToWide(std::string_view ansi) {
    return multiByteToWide(CP_ACP, ansi);
}

std::string toUtf8(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int length = checkedLength(utf16.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

} // namespace velk::win32
