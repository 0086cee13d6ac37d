// What the installer takes from a package description: each key's meaning and default. The
// reading rules themselves (sections, keys, integers) are the INI reader's and tested with it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "package/ini_file.h"
#include "package/package_description.h"
#include "platform/app_error.h"
#include "tests/unit/encoded_text.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk {
namespace {

using ::testing::ElementsAre;
using testing::FakeFileSystem;

PackageDescription describe(const std::string& text) {
    return PackageDescription::from(IniFile::parse(text));
}

TEST(PackageDescription, AboutTakesTheLastKeyOfTheLastSectionAndItsDefaults) {
    PackageDescription d = describe("[About]\nName=Old\nAuthor=Gone\n"
                                    "[aBoUt]\nnAmE=First\nNAME=Second\nDistributed=Velk\n");
    EXPECT_EQ(d.name, "Second");
    EXPECT_EQ(d.version, "1.0.0");
    EXPECT_EQ(d.distributed, "Velk");
    EXPECT_EQ(d.author, ""); // the first [About] counts for nothing
    EXPECT_EQ(d.picture, "logo.bmp");
    EXPECT_EQ(d.logoName(), "logo.bmp");

    d = describe("[About]\nVersion=\nPicture=art\\pic.ico\n");
    EXPECT_EQ(d.version, "");
    EXPECT_EQ(d.picture, "art\\pic.ico");
    EXPECT_EQ(d.logoName(), "pic.ico");
}

TEST(PackageDescription, ReadsEveryEncodingAlike) {
    FakeFileSystem files;
    const auto read = [&files](const std::string& bytes) {
        files.addFile("C:\\pkg\\Libs\\x.lin", bytes);
        return readPackageDescription(files, "C:\\pkg\\Libs\\x.lin").value();
    };
    const std::string text = "[About]\r\nName=Блоки управления\r\nAuthor=Zoë 库\r\n"
                             "[Languages]\r\nCount=2\r\nLang0=English\r\nLang1=Français\r\n";
    const std::pair<const char*, std::string> encoded[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + text},
        {"UTF-16 LE", testing::utf16(text, false)},
        {"UTF-16 BE", testing::utf16(text, true)},
        {"UTF-8", text}};
    for (const auto& [encoding, bytes] : encoded) {
        SCOPED_TRACE(encoding);
        const PackageDescription d = read(bytes);
        EXPECT_EQ(d.name, "Блоки управления");
        EXPECT_EQ(d.author, "Zoë 库");
        EXPECT_THAT(d.offeredLanguages, ElementsAre("English", "Français"));
    }
    // Written in the ANSI code page (Windows-1252 here) by an editor without Unicode.
    const PackageDescription d = read("[About]\nName=Regelung f\xFCr Anf\xE4nger\n"
                                      "[Languages]\nCount=1\nLang0=Fran\xE7"
                                      "ais\n");
    EXPECT_EQ(d.name, "Regelung für Anfänger");
    EXPECT_THAT(d.offeredLanguages, ElementsAre("Français"));
}

TEST(PackageDescription, OnlyAnExistingFileIsReadAndOneThatCannotBeOpenedIsAnError) {
    FakeFileSystem files;
    files.addFolder("C:\\pkg\\Libs\\odd.lin");
    files.addFile("C:\\pkg\\Libs\\x.lin", "[About]\nName=Locked\n").unreadable = true;

    EXPECT_EQ(readPackageDescription(files, "C:\\pkg\\Libs\\none.lin"), std::nullopt);
    EXPECT_EQ(readPackageDescription(files, ""), std::nullopt);
    EXPECT_EQ(readPackageDescription(files, "C:\\pkg\\Libs\\odd.lin"), std::nullopt);
    EXPECT_THROW(readPackageDescription(files, "C:\\pkg\\Libs\\x.lin"), AppError);
}

struct InfoCase {
    const char* licence;
    std::vector<std::string> lines;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const InfoCase& c) {
    return out << '"' << c.licence << '"';
}

class DescriptionInfo : public ::testing::TestWithParam<InfoCase> {};

TEST_P(DescriptionInfo, GivesTheInfoText) {
    EXPECT_EQ(describe(GetParam().licence).licence, GetParam().lines);
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

TEST(PackageDescription, OffersAVersionByAnExactYesAnywhereInTheLineInFileOrder) {
    const PackageDescription d = describe("[Dorvan]\n"
                                          "Dorvan5_11=yes\n"
                                          "dorvan5_12=Yes please\n"
                                          "Dorvan5_13=YES\n"
                                          "DORVAN5_14 = maybe Yes\n"
                                          "Dorvan5_10=Yes\n" // known or not, it is offered
                                          "Dorvan5Libs=Yes\n");
    EXPECT_THAT(d.hostVersions, ElementsAre("dorvan5_12", "DORVAN5_14", "Dorvan5_10"));
}

TEST(PackageDescription, TheLibraryKindFollowsDorvan5LibsWithItsExactCase) {
    EXPECT_EQ(describe("[Dorvan]\nDorvan5Libs=Std\n").libraryKind, kStandardLibrary);
    // The key is read ignoring case, the value is compared with it.
    EXPECT_EQ(describe("[Dorvan]\ndorvan5libs=App\n").libraryKind, kApplicationLibrary);
    EXPECT_EQ(describe("[Dorvan]\nDorvan5Libs=app\n").libraryKind, kUserLibrary);
    EXPECT_EQ(describe("[Dorvan]\nDorvan5Libs=Std\nDorvan5Libs=Usr\n").libraryKind, kUserLibrary);
    EXPECT_EQ(describe("[Dorvan]\nDorvan5Libs=Std\n[Dorvan]\n").libraryKind, kUserLibrary);
}

struct LanguageCase {
    const char* languages;
    std::vector<std::string> offered;
    int preselected;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const LanguageCase& c) {
    return out << '"' << c.languages << '"';
}

class DescriptionLanguages : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(DescriptionLanguages, OfferAndPreselect) {
    const PackageDescription d = describe(GetParam().languages);
    EXPECT_EQ(d.offeredLanguages, GetParam().offered);
    EXPECT_EQ(d.preselectedLanguage(), GetParam().preselected);
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

TEST(PackageDescription, LanguageFoldersAreTheListedNamesButEmptyAndRefusedOnes) {
    const PackageDescription d =
        describe("[Languages]\nCount=6\nLang0=English\nLang1=\nLang2=..\nLang3=a\\b\n"
                 "Lang5=english\nLang6=German\n");
    std::vector<std::string> names;
    for (const ListedLanguage& language : d.languageFolders()) {
        names.push_back(std::to_string(language.index) + " " + language.name);
    }
    EXPECT_THAT(names, ElementsAre("0 English", "5 english"));
}

} // namespace
} // namespace velk
