#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/form_install.h"
#include "app/host_suite.h"
#include "platform/app_error.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {
namespace {

using testing::FakePlatform;
using testing::ValueType;

const std::string kKey13 = "Software\\Velk-Marden\\dorvan5\\1.3\\global";
const std::string kKey14 = "Software\\Velk-Marden\\dorvan5\\1.4\\global";

class HostLookup : public ::testing::Test {
  protected:
    FakePlatform fake;

    bool find(const std::string& version, int kind, std::string& folder) {
        return findHostLibraryFolder(fake.registry, fake.files, version, kind, folder);
    }
};

TEST_F(HostLookup, MatchesTheVersionTableIgnoringTheCaseOfLettersOnly) {
    fake.registry.setLocalMachine(kKey13, "AppsDir", "C:\\D13");
    fake.files.addFolder("C:\\D13");

    for (const char* version : {"Dorvan5_13", "dorvan5_13", "DORVAN5_13"}) {
        std::string folder;
        EXPECT_TRUE(find(version, 3, folder)) << version;
        EXPECT_EQ(folder, "C:\\D13");
    }
    EXPECT_EQ(fake.registry.opened, 3);
}

TEST_F(HostLookup, UnknownVersionsNeverTouchTheRegistry) {
    fake.registry.setLocalMachine(kKey13, "AppsDir", "C:\\D13");
    fake.files.addFolder("C:\\D13");

    for (const char* version : {"Dorvan5_13 ", " Dorvan5_13", "Dorvan5_10", "Dorvan5_20", "Dorvan4",
                                "Dorvan5_1", "", "Dorvan5-13"}) {
        std::string folder = "as passed";
        EXPECT_FALSE(find(version, 3, folder)) << '"' << version << '"';
        EXPECT_EQ(folder, "as passed");
    }
    EXPECT_EQ(fake.registry.opened, 0);
}

TEST_F(HostLookup, AKeyThatCannotBeOpenedLeavesTheFolderAsPassed) {
    std::string folder = "as passed";
    EXPECT_FALSE(find("Dorvan5_14", 2, folder)); // missing
    EXPECT_EQ(folder, "as passed");

    fake.registry.setLocalMachine(kKey14, "UsrLibDir", "C:\\Usr");
    fake.files.addFolder("C:\\Usr");
    fake.registry.localMachine[testing::FakeRegistry::lower(kKey14)].denied = true;
    EXPECT_FALSE(find("Dorvan5_14", 2, folder));
    EXPECT_EQ(folder, "as passed");
}

TEST_F(HostLookup, AnOpenedKeyReplacesTheFolderEvenWhenNothingIsFound) {
    fake.registry.setLocalMachine(kKey14, "UsrLibDir", "C:\\Gone");
    fake.registry.setLocalMachine(kKey14, "StdLibDir", "C:\\file.txt");
    fake.registry.setLocalMachine(kKey14, "AppLibDir", "");
    fake.files.addFile("C:\\file.txt");

    std::string folder = "as passed";
    EXPECT_FALSE(find("Dorvan5_14", 2, folder));
    EXPECT_EQ(folder, "C:\\Gone");
    EXPECT_FALSE(find("Dorvan5_14", 0, folder)); // names a file, not a folder
    EXPECT_EQ(folder, "C:\\file.txt");
    EXPECT_FALSE(find("Dorvan5_14", 1, folder)); // empty value
    EXPECT_EQ(folder, "");
    folder = "as passed";
    EXPECT_FALSE(find("Dorvan5_14", 3, folder)); // absent value
    EXPECT_EQ(folder, "");
}

TEST_F(HostLookup, TheFolderKindPicksTheValue) {
    fake.registry.setLocalMachine(kKey14, "StdLibDir", "C:\\Std");
    fake.registry.setLocalMachine(kKey14, "AppLibDir", "C:\\App");
    fake.registry.setLocalMachine(kKey14, "UsrLibDir", "C:\\Usr");
    fake.registry.setLocalMachine(kKey14, "AppsDir", "C:\\Apps");
    for (const char* folder : {"C:\\Std", "C:\\App", "C:\\Usr", "C:\\Apps"}) {
        fake.files.addFolder(folder);
    }
    const std::pair<int, const char*> kinds[] = {{0, "C:\\Std"},  {1, "C:\\App"},
                                                 {2, "C:\\Usr"},  {3, "C:\\Apps"},
                                                 {4, "C:\\Apps"}, {-1, "C:\\Apps"}};
    for (const auto& [kind, expected] : kinds) {
        std::string folder;
        EXPECT_TRUE(find("Dorvan5_14", kind, folder)) << kind;
        EXPECT_EQ(folder, expected) << kind;
    }
}

TEST_F(HostLookup, TextIsTakenLiterallyExpandableTextUnexpandedTrailingBackslashKept) {
    fake.registry.setLocalMachine(kKey14, "UsrLibDir", "%ProgramFiles%\\Dorvan\\Usr",
                                  ValueType::ExpandSz);
    fake.files.addFolder("C:\\Program Files\\Dorvan\\Usr");
    std::string folder;
    EXPECT_FALSE(find("Dorvan5_14", 2, folder));
    EXPECT_EQ(folder, "%ProgramFiles%\\Dorvan\\Usr");

    fake.registry.setLocalMachine(kKey14, "UsrLibDir", "C:\\Program Files\\Dorvan\\Usr\\",
                                  ValueType::ExpandSz);
    EXPECT_TRUE(find("Dorvan5_14", 2, folder));
    EXPECT_EQ(folder, "C:\\Program Files\\Dorvan\\Usr\\");

    fake.registry.setLocalMachine(kKey14, "UsrLibDir", " C:\\Program Files\\Dorvan\\Usr");
    EXPECT_FALSE(find("Dorvan5_14", 2, folder));
    EXPECT_EQ(folder, " C:\\Program Files\\Dorvan\\Usr");
}

TEST_F(HostLookup, AValueOfAnotherTypeIsAnErrorAndLeavesTheFolder) {
    fake.registry.setLocalMachine(kKey14, "UsrLibDir", std::string("\x05\x00\x00\x00", 4),
                                  ValueType::Dword);
    std::string folder = "as passed";
    try {
        find("Dorvan5_14", 2, folder);
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'UsrLibDir'");
    }
    EXPECT_EQ(folder, "as passed");
}

TEST(HostVersionTitle, NamesKnownVersionsAndEverythingElseNewer) {
    EXPECT_EQ(hostVersionTitle("Dorvan4"), "Dorvan4");
    EXPECT_EQ(hostVersionTitle("DORVAN5_10"), "Dorvan5 V1.0");
    EXPECT_EQ(hostVersionTitle("Dorvan5_11"), "Dorvan5 V1.1");
    EXPECT_EQ(hostVersionTitle("dorvan5_12"), "Dorvan5 V1.2");
    EXPECT_EQ(hostVersionTitle("Dorvan5_13"), "Dorvan5 V1.3");
    EXPECT_EQ(hostVersionTitle("Dorvan5_14"), "Dorvan5 V1.4");
    EXPECT_EQ(hostVersionTitle("Dorvan5_20"), "Dorvan5 newer");
    EXPECT_EQ(hostVersionTitle("Dorvan5_14 "), "Dorvan5 newer");
    EXPECT_EQ(hostVersionTitle(""), "Dorvan5 newer");
}

// A package accepting 1.3 and 1.4 (1.4 offered first), both installed, two languages.
class LocationClick : public ::testing::Test {
  protected:
    LocationClick() {
        for (const auto& [key, root] : {std::pair{kKey13, std::string("C:\\D13")},
                                        std::pair{kKey14, std::string("C:\\D14")}}) {
            fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
            fake.registry.setLocalMachine(key, "UsrLibDir", root + "\\Usr");
            fake.files.addFolder(root + "\\Apps");
            fake.files.addFolder(root + "\\Usr");
        }
        fake.files.addFile("C:\\pkg\\Libs\\x.lin", "[Dorvan]\nDorvan5_13=Yes\nDorvan5_14=Yes\n"
                                                   "[Languages]\nCount=2\nLang0=en\nLang1=de\n");
    }

    FakePlatform fake;
};

TEST_F(LocationClick, RunsOnARealChangeOnlyWhoeverMakesIt) {
    TFormInstall form(fake.platform);
    ASSERT_EQ(form.grLocation.itemIndex(), 0);
    EXPECT_EQ(form.eInstallDir.text(), "C:\\D14\\Usr");

    form.eInstallDir.setText("D:\\typed");
    form.grLocation.setItemIndex(0); // already selected
    form.rgLang.setItemIndex(0);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\typed");

    form.grLocation.setItemIndex(1);
    EXPECT_EQ(form.eInstallDir.text(), "C:\\D13\\Usr");

    // Another language discards a typed folder in favour of the selected location's.
    form.eInstallDir.setText("D:\\typed");
    form.rgLang.setItemIndex(1);
    EXPECT_EQ(form.eInstallDir.text(), "C:\\D13\\Usr");
}

TEST_F(LocationClick, AFailedLookupLeavesTheFolderField) {
    TFormInstall form(fake.platform);
    form.eInstallDir.setText("D:\\typed");

    fake.registry.localMachine.erase(testing::FakeRegistry::lower(kKey13)); // deleted since
    form.grLocation.setItemIndex(1);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\typed");

    fake.registry.localMachine[testing::FakeRegistry::lower(kKey14)].values.erase("usrlibdir");
    form.grLocation.setItemIndex(0);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\typed");
}

TEST_F(LocationClick, UsesTheTargetKindOfTheDescription) {
    fake.files.addFile("C:\\pkg\\Libs\\x.lin", "[Dorvan]\nDorvan5_14=Yes\nDorvan5Libs=Std\n");
    fake.registry.setLocalMachine(kKey14, "StdLibDir", "C:\\D14\\Std");
    fake.files.addFolder("C:\\D14\\Std");
    TFormInstall form(fake.platform);
    form.eInstallDir.setText("");
    form.grLocationClick();
    EXPECT_EQ(form.eInstallDir.text(), "C:\\D14\\Std");
}

TEST_F(LocationClick, AValueOfTheWrongTypeEndsTheHandlerWithTheFolderFieldKept) {
    TFormInstall form(fake.platform);
    form.eInstallDir.setText("D:\\typed");
    fake.registry.setLocalMachine(kKey13, "UsrLibDir", "\x01", ValueType::Binary);
    EXPECT_THROW(form.grLocation.setItemIndex(1), AppError);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\typed");
}

TEST_F(LocationClick, TheLayoutItemWithoutDescriptionChangesNothing) {
    fake.files.remove("C:\\pkg\\Libs\\x.lin");
    TFormInstall form(fake.platform);
    ASSERT_TRUE(form.acceptedVersions.empty());
    ASSERT_EQ(form.grLocation.itemIndex(), 0);
    const int opened = fake.registry.opened;

    form.eInstallDir.setText("D:\\typed");
    form.grLocation.setItemIndex(-1);
    form.grLocation.setItemIndex(0);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\typed");
    EXPECT_EQ(fake.registry.opened, opened);
}

} // namespace
} // namespace velk
