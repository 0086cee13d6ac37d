#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form_install.h"
#include "platform/app_error.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {
namespace {

using ::testing::ElementsAre;
using testing::FakePlatform;
using ::testing::IsEmpty;
using testing::ValueType;

const std::string kLibs = "C:\\pkg\\Libs\\";

// A host suite version ("1.1" .. "1.4") recorded in the registry, with its folders made.
void installSuite(FakePlatform& fake, const std::string& version) {
    const std::string key = "Software\\Velk-Marden\\dorvan5\\" + version + "\\global";
    const std::string root = "C:\\Dorvan" + version;
    fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
    fake.registry.setLocalMachine(key, "UsrLibDir", root + "\\Usr");
    fake.files.addFolder(root + "\\Apps");
    fake.files.addFolder(root + "\\Usr");
}

// A main window built over a package without description, so that the tests below can lay one
// out and then call the description operations themselves.
class Description : public ::testing::Test {
  protected:
    FakePlatform fake;
    TFormInstall form{fake.platform};

    bool readText(const std::string& text) {
        fake.files.addFile(kLibs + "x.lin", text);
        return form.readDescription(kLibs + "x.lin");
    }
};

TEST_F(Description, FindTakesTheNameOnlyWhenItFindsOne) {
    form.descriptionFile = "earlier.lin";
    EXPECT_FALSE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "earlier.lin");

    fake.files.addFile(kLibs + "lib.dll");
    EXPECT_FALSE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "earlier.lin");

    fake.files.addFile(kLibs + "a.lin");
    EXPECT_TRUE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "a.lin");
}

TEST_F(Description, AMissingFileOrEmptyNameChangesNothing) {
    form.libName = "kept";
    form.logoFile = "kept.bmp";
    form.targetLibKind = 0;
    fake.files.addFolder("C:\\pkg\\odd.lin");

    EXPECT_FALSE(form.readDescription("C:\\pkg\\none.lin"));
    EXPECT_FALSE(form.readDescription(""));
    EXPECT_FALSE(form.readDescription("C:\\pkg\\odd.lin")); // a folder

    EXPECT_EQ(form.libName, "kept");
    EXPECT_EQ(form.logoFile, "kept.bmp");
    EXPECT_EQ(form.targetLibKind, 0);
    EXPECT_THAT(form.MemoInfo.lines(), ElementsAre(""));
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5"));
}

TEST_F(Description, AFileThatCannotBeOpenedIsAnErrorAndNothingIsTakenOver) {
    fake.files.addFile(kLibs + "x.lin", "[About]\nName=Locked\n").unreadable = true;
    EXPECT_THROW(form.readDescription(kLibs + "x.lin"), AppError);
    EXPECT_EQ(form.libName, "");
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
}

TEST_F(Description, TakesEveryPartOverIntoTheWindow) {
    ASSERT_TRUE(readText("[About]\nName=Blocks\nVersion=2.1\nDistributed=Velk\nAuthor=Zoë\n"
                         "Picture=art\\pic.ico\n"
                         "[Licence]\nText=one\\ntwo\n"
                         "[Dorvan]\nDorvan5Libs=App\n"
                         "[Languages]\nCount=2\nLang0=English\nLang1=German\nSelected=1\n"));
    EXPECT_EQ(form.libName, "Blocks");
    EXPECT_EQ(form.libVersion, "2.1");
    EXPECT_EQ(form.libDistributed, "Velk");
    EXPECT_EQ(form.libAuthor, "Zoë");
    EXPECT_EQ(form.logoFile, "art\\pic.ico");
    EXPECT_THAT(form.MemoInfo.lines(), ElementsAre("one", "two"));
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "German"));
    EXPECT_EQ(form.rgLang.itemIndex(), 1);
    EXPECT_EQ(form.targetLibKind, 1);
}

TEST_F(Description, OffersTheAcceptedInstalledVersionsLastFirst) {
    installSuite(fake, "1.1");
    installSuite(fake, "1.4");
    form.eInstallDir.setText("typed");

    ASSERT_TRUE(readText("[Dorvan]\n"
                         "Dorvan5_11=Yes\n"
                         "Dorvan5_12=Yes\n" // not installed
                         "Dorvan5_13=No\n"
                         "Dorvan5_14=Yes\n"
                         "Dorvan5_10=Yes\n" // no registry key known
                         "Dorvan5Libs=Yes\n"));
    EXPECT_THAT(form.acceptedVersions, ElementsAre("Dorvan5_14", "Dorvan5_11"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5 V1.4", "Dorvan5 V1.1"));
    EXPECT_EQ(form.grLocation.itemIndex(), -1);
    // Selecting the language ran the location handler, which found no location selected.
    EXPECT_EQ(form.eInstallDir.text(), "typed");
}

TEST_F(Description, AVersionIsInstalledOnlyWhenItsApplicationFolderExists) {
    installSuite(fake, "1.3");
    installSuite(fake, "1.4");
    fake.files.remove("C:\\Dorvan1.3\\Apps"); // library folders stay
    fake.registry.localMachine.erase("software\\velk-marden\\dorvan5\\1.4\\global");

    ASSERT_TRUE(readText("[Dorvan]\nDorvan5_13=Yes\nDorvan5_14=Yes\n"));
    EXPECT_THAT(form.acceptedVersions, IsEmpty());
    EXPECT_THAT(form.grLocation.items(), IsEmpty());
    EXPECT_EQ(form.targetLibKind, 2);
}

TEST_F(Description, AnApplicationFolderOfTheWrongTypeEndsTheReadingThere) {
    for (const char* version : {"1.1", "1.2", "1.4"}) {
        installSuite(fake, version);
    }
    fake.registry.setLocalMachine("Software\\Velk-Marden\\dorvan5\\1.2\\global", "AppsDir",
                                  std::string("\x01\x00\x00\x00", 4), ValueType::Dword);
    fake.files.addFile(kLibs + "x.lin", "[About]\nName=Blocks\n"
                                        "[Dorvan]\nDorvan5_11=Yes\nDorvan5_14=Yes\n"
                                        "Dorvan5_12=Yes\nDorvan5_13=Yes\n"
                                        "[Languages]\nCount=1\nLang0=en\n");
    try {
        form.readDescription(kLibs + "x.lin");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'AppsDir'");
    }
    // What was read up to the error stays; nothing after it was taken over.
    EXPECT_EQ(form.libName, "Blocks");
    EXPECT_THAT(form.acceptedVersions, ElementsAre("Dorvan5_14", "Dorvan5_11"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5 V1.4", "Dorvan5 V1.1"));
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
}

TEST_F(Description, ReadingAgainReplacesTheLocationsAndLanguages) {
    installSuite(fake, "1.4");
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=2\nLang0=A\nLang1=B\n"));
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=1\nLang0=C\n"));
    EXPECT_THAT(form.acceptedVersions, ElementsAre("Dorvan5_14"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5 V1.4"));
    EXPECT_THAT(form.rgLang.items(), ElementsAre("C"));
}

} // namespace
} // namespace velk
