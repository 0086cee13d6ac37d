// Windows matches a search pattern against short (8.3) names too: "*.lin" yields "notes.linux",
// whose short name ends in ".LIN". The description is found by its long name all the same.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "package/description_file.h"
#include "platform/win32/win32_file_system.h"
#include "tests/win32/test_support.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;
using testing::writeFile;

TEST(ShortNames, ASearchForLinYieldsANameEndingOtherwiseButTheDescriptionIsFoundByItsLongName) {
    const TempFolder package;
    const std::string libs = package / "Libs";
    ASSERT_TRUE(CreateDirectoryW(testing::systemPath(libs).c_str(), nullptr));
    ASSERT_TRUE(writeFile(libs + "\\notes.linux", "notes"));
    ASSERT_TRUE(writeFile(libs + "\\MyLib.lin", "[About]\r\nName=Lib\r\n"));

    std::vector<std::string> matches;
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW(testing::systemPath(libs + "\\*.lin").c_str(), &data));
    ASSERT_TRUE(find);
    do {
        matches.push_back(toUtf8(data.cFileName));
    } while (FindNextFileW(find.get(), &data));
    EXPECT_NE(std::find(matches.begin(), matches.end(), "notes.linux"), matches.end());

    // Finding lists "Libs" by its path: the process's current folder stays where it was.
    wchar_t before[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, before);
    Win32FileSystem files;
    EXPECT_EQ(findDescriptionFile(files, package.path() + "\\"), "MyLib.lin");
    wchar_t after[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, after);
    EXPECT_STREQ(after, before);
}

} // namespace
} // namespace velk::win32
