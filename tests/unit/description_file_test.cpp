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

TEST_P(FindDescription, TakesTheFirstNameEndingInLinElseVelklinInLibs) {
    FakeFileSystem files;
    files.addFolder("C:\\pkg\\Libs");
    // Descriptions beside "Libs" and in the process's current folder are none of the package's.
    files.addFile("C:\\pkg\\beside.lin");
    files.addFile("C:\\current.lin");
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

TEST(FindDescriptionWithoutLibs, FindsNothingElsewhere) {
    FakeFileSystem files;
    files.addFile("C:\\pkg\\lib.lin");
    files.addFile("C:\\current.lin"); // in the process's current folder

    EXPECT_EQ(findDescriptionFile(files, "C:\\pkg\\"), std::nullopt);
}

// A "Libs" that cannot be listed yields no description, and none from another folder either.
TEST(FindDescriptionInUnlistableLibs, FindsNothingElsewhere) {
    FakeFileSystem files;
    files.addFile("C:\\pkg\\Libs\\lib.lin");
    files.find("C:\\pkg\\Libs")->inaccessible = true;
    files.addFile("C:\\current.lin"); // in the process's current folder

    EXPECT_EQ(findDescriptionFile(files, "C:\\pkg\\"), std::nullopt);
}

} // namespace
} // namespace velk
