// Finding the package description in the package's "Libs" folder.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "package/description_file.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk {
namespace {

using testing::FakeFileSystem;

// An entry of "Libs", in the order the folder lists them.
struct Listed {
    std::string name;
    bool folder = false;
    std::string shortName{}; // the 8.3 name Windows matches patterns against too
};

struct FindCase {
    const char* name;
    std::vector<Listed> entries;
    bool reversed; // the platform lists them the other way round
    std::optional<std::string> found;
};

class FindDescription : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindDescription, TakesTheFirstNameEndingInLinElseVelklinAndMakesLibsCurrent) {
    FakeFileSystem files;
    files.addFolder("C:\\pkg\\Libs");
    for (const Listed& entry : GetParam().entries) {
        const std::string path = "C:\\pkg\\Libs\\" + entry.name;
        if (entry.folder) {
            files.addFolder(path);
        } else {
            files.addFile(path).shortName = entry.shortName;
        }
    }
    files.reverseEnumeration = GetParam().reversed;

    EXPECT_EQ(findDescriptionFile(files, "C:\\pkg\\"), GetParam().found);
    EXPECT_EQ(files.current, "C:\\pkg\\Libs");
}

INSTANTIATE_TEST_SUITE_P(
    Libs, FindDescription,
    ::testing::Values(
        FindCase{"LinBeforeVelklin", {{"b.velklin"}, {"a.lin"}, {"c.lin"}}, false, "a.lin"},
        // No sorting: the platform's listing order decides between two ".lin" entries.
        FindCase{"InListingOrder", {{"b.velklin"}, {"a.lin"}, {"c.lin"}}, true, "c.lin"},
        FindCase{"VelklinWithoutLin", {{"readme.txt"}, {"pack.velklin"}}, false, "pack.velklin"},
        FindCase{"AFolderTooWhenFirst", {{"odd.lin", true}, {"real.lin"}}, false, "odd.lin"},
        FindCase{"None", {{"lib.dll"}}, false, std::nullopt},
        // Windows yields "notes.linux" for "*.lin" by its short name, and first.
        FindCase{"ByTheLongNameLetterCaseAside",
                 {{"notes.linux", false, "NOTE~1.LIN"}, {"MYLIB.LIN"}},
                 false,
                 "MYLIB.LIN"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindDescriptionWithoutLibs, FindsNothingAndKeepsTheCurrentFolder) {
    FakeFileSystem files;
    files.addFile("C:\\pkg\\lib.lin");
    files.addFolder("C:\\elsewhere");
    files.setCurrentFolder("C:\\elsewhere");

    EXPECT_EQ(findDescriptionFile(files, "C:\\pkg\\"), std::nullopt);
    EXPECT_EQ(files.current, "C:\\elsewhere");
}

} // namespace
} // namespace velk
