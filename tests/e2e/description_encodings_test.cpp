// End-to-end test of package descriptions saved in the encodings that editors write: the main
// window shows their texts, and installation makes their language folders.
#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"
#include "tests/unit/encoded_text.h"

namespace velk::e2e {
namespace {

using Texts = std::vector<std::string>;
using velk::testing::utf16;

const std::string kName = "Блоки управления";
const std::string kText = "[About]\r\nName=" + kName +
                          "\r\nVersion=2.0\r\nAuthor=Zoë\r\n"
                          "[Dorvan]\r\nDorvan5_14=Yes\r\n"
                          "[Languages]\r\nCount=2\r\nLang0=English\r\nLang1=Français\r\n"
                          "Selected=1\r\n";

struct EncodingCase {
    const char* encoding;
    std::string description; // the file's bytes
    std::string name;        // as the main window shows it
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const EncodingCase& c) {
    return out << c.encoding;
}

class DescriptionEncoding : public E2ETest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(DescriptionEncoding, ShowsItsTextsAndInstallsItsLanguageFolders) {
    const HostFolders host = addHostVersion(work() + "\\host", "1.4");
    const std::string package =
        makePackage(work() + "\\pkg", {.description = GetParam().description,
                                       .files = {{"Libs\\a.zfb", "a block"},
                                                 {"Libs\\English\\texts.txt", "english texts"},
                                                 {"Libs\\Français\\texts.txt", "textes"}}});
    Installer app = Installer::start(package);
    const Window main = app.mainWindow();

    EXPECT_EQ(main.labelRightOf("Name").text(), GetParam().name);
    EXPECT_EQ(main.labelRightOf("Version").text(), "2.0");
    EXPECT_EQ(main.labelRightOf("Author").text(), "Zoë");
    Texts languages;
    for (const Window& item : main.radioItems("Default language")) {
        languages.push_back(item.text());
    }
    EXPECT_EQ(languages, (Texts{"English", "Français"}));
    EXPECT_EQ(main.edit(1).text(), host.usr);
    main.screenshot(shotName("main-window"));

    main.button("Install").click();
    const MessageBoxView box = app.waitForMessageBox();
    EXPECT_EQ(box.text, "Library installation was successful.");
    box.answer("OK");
    EXPECT_EQ(app.waitForExit(), 0u);

    EXPECT_EQ(foldersIn(host.usr), (Texts{"English", "Français"}));
    EXPECT_EQ(readFile(host.usr + "\\Français\\texts.txt"), "textes");
    EXPECT_EQ(readFile(host.usr + "\\texts.txt"), "textes"); // the default language
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DescriptionEncoding,
    ::testing::Values(EncodingCase{"Utf8Mark", "\xEF\xBB\xBF" + kText, kName},
                      EncodingCase{"Utf16LeMark", utf16(kText, false), kName},
                      EncodingCase{"Utf16BeMark", utf16(kText, true), kName},
                      EncodingCase{"Utf8", kText, kName},
                      // Written by an editor without Unicode, in the system's ANSI code page
                      // (Windows-1252 in the test prefix).
                      EncodingCase{"Windows1252",
                                   "[About]\r\nName=Regelung f\xFCr Anf\xE4nger\r\nVersion=2.0\r\n"
                                   "Author=Zo\xEB\r\n[Dorvan]\r\nDorvan5_14=Yes\r\n"
                                   "[Languages]\r\nCount=2\r\nLang0=English\r\nLang1=Fran\xE7"
                                   "ais\r\nSelected=1\r\n",
                                   "Regelung für Anfänger"}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return info.param.encoding; });

} // namespace
} // namespace velk::e2e
