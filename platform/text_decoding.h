#pragma once
// Text files as editors write them, turned into the program's UTF-8.

#include <string>

namespace velk {

class FileSystem;

// Decodes the whole content of a text file by its byte-order mark: UTF-8 (EF BB BF), UTF-16
// little-endian (FF FE) or big-endian (FE FF); the mark itself is dropped. Without a mark the
// bytes are taken as UTF-8 when they are valid UTF-8, and otherwise as text in the system's ANSI
// code page (FileSystem::ansiToUtf8), so that a file written by an editor that knows no Unicode
// reads as it always did.
//
// A NUL character ends the text. What the encoding named by a mark cannot decode (a malformed
// UTF-8 sequence, a lone surrogate, an odd byte at the end of UTF-16) becomes U+FFFD.
std::string decodeText(std::string bytes, FileSystem& files);

} // namespace velk
