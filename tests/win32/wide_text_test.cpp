// The conversions between the program's UTF-8 and Windows' UTF-16, through the system's own
// converters.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

using namespace std::string_literals;

struct Both {
    std::string utf8;
    std::wstring utf16;
};

TEST(WideText, ConvertsBothWaysUnchanged) {
    const Both cases[] = {
        {"", L""},
        {"C:\\Libs\\a.zlb", L"C:\\Libs\\a.zlb"},
        {"Gr\xC3\xB6\xC3\x9F"
         "e \xCE\xBB",
         L"Gr\x00F6\x00DF"
         L"e \x03BB"}, // Größe λ
        {"\xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82 \xE5\xBA\x93",
         L"\x041F\x0430\x043A\x0435\x0442 \x5E93"},
        {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"}, // beyond the basic plane: a surrogate pair
        {"a\0b"s, L"a\0b"s},                   // NUL is a character like any other
    };
    for (const Both& c : cases) {
        EXPECT_EQ(toWide(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(toUtf8(c.utf16), c.utf8) << c.utf8;
    }
}

TEST(WideText, BadInputBecomesTheReplacementCharacter) {
    const Both fromUtf8[] = {
        {"a\xFF"
         "b",
         L"a\xFFFD"
         L"b"},                  // a byte that UTF-8 never uses
        {"\x80", L"\xFFFD"},     // a continuation byte alone
        {"ab\xC3", L"ab\xFFFD"}, // a sequence cut off at the end
    };
    for (const Both& c : fromUtf8) {
        EXPECT_EQ(toWide(c.utf8), c.utf16) << c.utf8;
    }
    const Both fromUtf16[] = {
        {"a\xEF\xBF\xBD"
         "b",
         L"a\xD800"
         L"b"},                        // a high surrogate alone
        {"x\xEF\xBF\xBD", L"x\xDC00"}, // a low surrogate alone, at the end
    };
    for (const Both& c : fromUtf16) {
        EXPECT_EQ(toUtf8(c.utf16), c.utf8) << c.utf8;
    }
}

} // namespace
} // namespace velk::win32
