// Text in the system's ANSI code page, as an editor without Unicode saves it, turned into UTF-8.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_file_system.h"

namespace velk::win32 {
namespace {

TEST(AnsiText, BecomesUtf8) {
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix runs with a Western code page";
    Win32FileSystem files;
    EXPECT_EQ(files.ansiToUtf8("Regelung f\xFCr Anf\xE4nger \x80 \x81"),
              "Regelung f\xC3\xBCr Anf\xC3\xA4nger \xE2\x82\xAC \xC2\x81");
    EXPECT_EQ(files.ansiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(files.ansiToUtf8(""), "");
}

} // namespace
} // namespace velk::win32
