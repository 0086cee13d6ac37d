#pragma once
// The program keeps text as UTF-8; Windows takes and gives UTF-16. These two functions are the
// only conversions between them: every call of a wide Win32 function goes through them.
//
//   SetWindowTextW(hwnd, toWide(caption).c_str());
//   std::string name = toUtf8(data.cFileName);
//
// Bytes that are not valid UTF-8 become U+FFFD, and so does a lone surrogate in UTF-16: a
// conversion never fails and never drops the text around a bad character.

#include <string>
#include <string_view>

namespace velk::win32 {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);
// Text in the system's ANSI code page, as programs that know no Unicode write it.
std::wstring ansiToWide(std::string_view ansi);

} // namespace velk::win32
