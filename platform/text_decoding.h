#pragma once
// Text files as editors write them, turned into the program's UTF-8.

#include <functional>
#include <string>
#include <string_view>

namespace velk {

class FileSystem;

// How decodeText reads a text: by its byte-order mark, as UTF-8 without one, or in the system's
// ANSI code page.
enum class TextEncoding { Utf8Marked, Utf16LittleEndian, Utf16BigEndian, Utf8, Ansi };

// The encoding decodeText takes for these bytes.
TextEncoding detectEncoding(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlong form, surrogate or code point above
// U+10FFFF).
bool isValidUtf8(std::string_view text);

// Turns text in an ANSI code page into UTF-8.
using AnsiDecoder = std::function<std::string(std::string_view)>;

// Text in Windows-1252, the ANSI code page of Western systems, as UTF-8: for where no system
// can tell its own code page (the fakes of the tests, the package checker off Windows). Its
// five unassigned bytes map to the C1 controls of the same value, as Windows maps them.
std::string windows1252ToUtf8(std::string_view text);

// Appends the UTF-8 form of the character `c` to `out`.
void appendUtf8(std::string& out, char32_t c);

// Decodes the whole content of a text file by its byte-order mark: UTF-8 (EF BB BF), UTF-16
// little-endian (FF FE) or big-endian (FE FF); the mark itself is dropped. Without a mark the
// bytes are taken as UTF-8 when they are valid UTF-8, and otherwise as text in the system's ANSI
// code page (FileSystem::ansiToUtf8), so that a file written by an editor that knows no Unicode
// reads as it always did.
//
// A NUL character ends the text. What the encoding named by a mark cannot decode (a malformed
// UTF-8 sequence, a lone surrogate, an odd byte at the end of UTF-16) becomes U+FFFD.
std::string decodeText(std::string bytes, FileSystem& files);
// The same with the ANSI code page's conversion given directly.
std::string decodeText(std::string bytes, const AnsiDecoder& ansiToUtf8);

} // namespace velk
