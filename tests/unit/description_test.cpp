#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/form_install.h"
#include "platform/app_error.h"
#include "tests/unit/encoded_text.h"
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
        fake.files.setCurrentFolder(kLibs);
        return form.readDescription("x.lin");
    }
};

TEST_F(Description, FindPrefersALinFileAndMakesLibsTheCurrentFolder) {
    fake.files.addFile(kLibs + "b.velklin");
    fake.files.addFile(kLibs + "a.lin");
    fake.files.addFile(kLibs + "c.lin");

    EXPECT_TRUE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "a.lin");
    EXPECT_EQ(fake.files.current, "C:\\pkg\\Libs");

    // No sorting: the platform's enumeration order decides between two ".lin" entries.
    fake.files.reverseEnumeration = true;
    EXPECT_TRUE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "c.lin");
}

TEST_F(Description, FindFallsBackToAVelklinFile) {
    fake.files.addFile(kLibs + "readme.txt");
    fake.files.addFile(kLibs + "pack.velklin");
    EXPECT_TRUE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "pack.velklin");
}

TEST_F(Description, FindWithoutLibsFolderOrMatchKeepsNameAndCurrentFolder) {
    form.descriptionFile = "earlier.lin";
    fake.files.addFolder("C:\\elsewhere");
    fake.files.setCurrentFolder("C:\\elsewhere");

    EXPECT_FALSE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "earlier.lin");
    EXPECT_EQ(fake.files.current, "C:\\elsewhere");

    // A "Libs" folder without a match still becomes the current folder.
    fake.files.addFile(kLibs + "lib.dll");
    EXPECT_FALSE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "earlier.lin");
    EXPECT_EQ(fake.files.current, "C:\\pkg\\Libs");
}

TEST_F(Description, AFolderThatMatchesFirstIsTakenButReadsAsNoDescription) {
    fake.files.addFolder(kLibs + "odd.lin");
    fake.files.addFile(kLibs + "real.lin", "[About]\nName=Real\n");

    EXPECT_TRUE(form.findDescriptionFile("C:\\pkg\\"));
    EXPECT_EQ(form.descriptionFile, "odd.lin");
    EXPECT_FALSE(form.readDescription(form.descriptionFile));
    EXPECT_EQ(form.libName, "");
}

TEST_F(Description, AMissingFileOrEmptyNameChangesNothing) {
    form.libName = "kept";
    form.logoFile = "kept.bmp";
    form.targetLibKind = 0;
    fake.files.setCurrentFolder("C:\\pkg");

    EXPECT_FALSE(form.readDescription("none.lin"));
    EXPECT_FALSE(form.readDescription(""));

    EXPECT_EQ(form.libName, "kept");
    EXPECT_EQ(form.logoFile, "kept.bmp");
    EXPECT_EQ(form.targetLibKind, 0);
    EXPECT_THAT(form.MemoInfo.lines(), ElementsAre(""));
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5"));
}

TEST_F(Description, AFileThatCannotBeOpenedIsAnErrorAndNothingIsTakenOver) {
    fake.files.addFile(kLibs + "x.lin", "[About]\nName=Locked\n").unreadable = true;
    fake.files.setCurrentFolder(kLibs);
    EXPECT_THROW(form.readDescription("x.lin"), AppError);
    EXPECT_EQ(form.libName, "");
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
}

TEST_F(Description, AboutTakesTheLastKeyOfTheLastSectionAndItsDefaults) {
    ASSERT_TRUE(readText("[About]\nName=Old\nAuthor=Gone\n"
                         "[aBoUt]\nnAmE=First\nNAME=Second\nDistributed=Velk\n"));
    EXPECT_EQ(form.libName, "Second");
    EXPECT_EQ(form.libVersion, "1.0.0");
    EXPECT_EQ(form.libDistributed, "Velk");
    EXPECT_EQ(form.libAuthor, ""); // the first [About] counts for nothing
    EXPECT_EQ(form.logoFile, "logo.bmp");

    ASSERT_TRUE(readText("[About]\nVersion=\nPicture=art\\pic.ico\n"));
    EXPECT_EQ(form.libVersion, "");
    EXPECT_EQ(form.logoFile, "art\\pic.ico");
}

TEST_F(Description, ReadsEveryEncodingAlike) {
    const std::string text = "[About]\r\nName=Блоки управления\r\nAuthor=Zoë 库\r\n"
                             "[Languages]\r\nCount=2\r\nLang0=English\r\nLang1=Français\r\n";
    const std::pair<const char*, std::string> files[] = {{"UTF-8 with mark", "\xEF\xBB\xBF" + text},
                                                         {"UTF-16 LE", testing::utf16(text, false)},
                                                         {"UTF-16 BE", testing::utf16(text, true)},
                                                         {"UTF-8", text}};
    for (const auto& [encoding, bytes] : files) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(readText(bytes));
        EXPECT_EQ(form.libName, "Блоки управления");
        EXPECT_EQ(form.libAuthor, "Zoë 库");
        EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "Français"));
    }
    // Written in the ANSI code page (Windows-1252 here) by an editor without Unicode.
    ASSERT_TRUE(readText("[About]\nName=Regelung f\xFCr Anf\xE4nger\n"
                         "[Languages]\nCount=1\nLang0=Fran\xE7"
                         "ais\n"));
    EXPECT_EQ(form.libName, "Regelung für Anfänger");
    EXPECT_THAT(form.rgLang.items(), ElementsAre("Français"));
}

struct InfoCase {
    const char* licence;
    std::vector<std::string> lines;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const InfoCase& c) {
    return out << '"' << c.licence << '"';
}

class DescriptionInfo : public Description, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(DescriptionInfo, FillsTheInfoText) {
    ASSERT_TRUE(readText(GetParam().licence));
    EXPECT_EQ(form.MemoInfo.lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DescriptionInfo,
    ::testing::Values(InfoCase{"[Licence]\nText=one\\ntwo\\n\n", {"one", "two"}},
                      InfoCase{"[Licence]\nText=\\n\\nword\n", {"", "", "word"}},
                      InfoCase{"[Licence]\nText=a \\n\\n b\n", {"a ", "", " b"}},
                      InfoCase{"[Licence]\nText=single\n", {"single"}},
                      InfoCase{"[Licence]\nText=back\\slash\\\\n\n", {"back\\slash\\"}},
                      // Without a text, the stored lines of the section, "Text=" among them.
                      InfoCase{"[Licence]\n Line one \nText=\nKey = value\n",
                               {"Line one", "Text=", "Key=value"}},
                      InfoCase{"[Licence]\nFree text\n", {"Free text"}},
                      InfoCase{"[About]\nName=x\n", {}}));

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

TEST_F(Description, AcceptsOnlyAnExactYesAnywhereInTheLine) {
    for (const char* version : {"1.1", "1.2", "1.3", "1.4"}) {
        installSuite(fake, version);
    }
    ASSERT_TRUE(readText("[Dorvan]\n"
                         "Dorvan5_11=yes\n"
                         "dorvan5_12=Yes please\n"
                         "Dorvan5_13=YES\n"
                         "DORVAN5_14 = maybe Yes\n"));
    EXPECT_THAT(form.acceptedVersions, ElementsAre("DORVAN5_14", "dorvan5_12"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5 V1.4", "Dorvan5 V1.2"));
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
    fake.files.setCurrentFolder(kLibs);
    try {
        form.readDescription("x.lin");
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

TEST_F(Description, TheTargetKindFollowsDorvan5LibsWithItsExactCase) {
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5Libs=Std\n"));
    EXPECT_EQ(form.targetLibKind, 0);
    // The key is read ignoring case, the value is compared with it.
    ASSERT_TRUE(readText("[Dorvan]\ndorvan5libs=App\n"));
    EXPECT_EQ(form.targetLibKind, 1);
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5Libs=app\n"));
    EXPECT_EQ(form.targetLibKind, 2);
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5Libs=Std\nDorvan5Libs=Usr\n"));
    EXPECT_EQ(form.targetLibKind, 2);
    ASSERT_TRUE(readText("[Dorvan]\nDorvan5Libs=Std\n[Dorvan]\n"));
    EXPECT_EQ(form.targetLibKind, 2);
}

struct LanguageCase {
    const char* languages;
    std::vector<std::string> items;
    int selected;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const LanguageCase& c) {
    return out << '"' << c.languages << '"';
}

class DescriptionLanguages : public Description,
                             public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(DescriptionLanguages, FillAndSelect) {
    ASSERT_TRUE(readText(GetParam().languages));
    EXPECT_EQ(form.rgLang.items(), GetParam().items);
    EXPECT_EQ(form.rgLang.itemIndex(), GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DescriptionLanguages,
    ::testing::Values(
        LanguageCase{"[Languages]\nCount=6\nLang0=a\nLang1=b\nLang2=c\nLang3=d\nLang4=e\nLang5=f\n",
                     {"a", "b", "c", "d"},
                     0},
        LanguageCase{"[Languages]\nCount=0\nLang0=a\n", {"Default"}, 0},
        LanguageCase{"[About]\nName=x\n", {"Default"}, 0},
        LanguageCase{"[Languages]\nCount=2\nLang0=a\nLang1=b\nSelected=5\n", {"a", "b"}, 1},
        LanguageCase{"[Languages]\nCount=2\nLang0=a\nLang1=b\nSelected=-1\n", {"a", "b"}, -1},
        LanguageCase{"[Languages]\nCount=2\nLang0=a\nLang1=b\nSelected=-7\n", {"a", "b"}, -1},
        LanguageCase{"[Languages]\nCount=-1\nLang0=a\n", {}, -1},
        LanguageCase{"[Languages]\nCount=$FFFFFFFF\nLang0=a\n", {}, -1},
        LanguageCase{"[Languages]\nCount=0x3\nLang0=a\nLang2=c\nSelected=x2\n", {"a", "", "c"}, 2},
        LanguageCase{"[Languages]\nCount=two\nLang0=a\n", {"Default"}, 0},
        LanguageCase{"[Languages]\nCount=1\nLang0=\nSelected=zero\n", {""}, 0}));

} // namespace
} // namespace velk
