#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "platform/win32/wide_text.h"

namespace velk::win32 {

std::string Win32FileSystem::ansiToUtf8(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("text too long to convert");
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed);
    return toUtf8(wide);
}

} // namespace velk::win32
