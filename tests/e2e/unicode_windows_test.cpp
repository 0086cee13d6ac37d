// End-to-end tests of names in scripts outside the system's ANSI code page, in the real windows:
// the main window showing a library so named, the file list showing and opening such files, and
// the folder picker opening on such a target and returning a typed one.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/driver/associations.h"
#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Texts = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

const char* const kDescription = "[About]\nName=Demo\n[Dorvan]\nDorvan5_14=Yes\n";

class UnicodeWindows : public E2ETest {
  protected:
    static Window installDir(const Window& main) { return main.edit(1); }
};

TEST_F(UnicodeWindows, TheMainWindowShowsALibraryNamedInOtherScripts) {
    const HostFolders v14 = addHostVersion(work() + "\\Ziel ü\\目标", "1.4");
    const std::string pkg =
        makePackage(work() + "\\Пакет 库",
                    {.description = "[About]\nName=Библиотека управления\nAuthor=Γιώργος Π.\n"
                                    "[Licence]\nText=函数块库，用于教学。\n"
                                    "[Languages]\nCount=2\nLang0=Русский\nLang1=中文\n"
                                    "[Dorvan]\nDorvan5_14=Yes\nDorvan5Libs=Std\n",
                     .files = {{"Libs\\a.zfb", "block"}}});
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    EXPECT_FALSE(app.findMessageBox().has_value());
    EXPECT_EQ(main.labelRightOf("Name").text(), "Библиотека управления");
    EXPECT_EQ(main.labelRightOf("Author").text(), "Γιώργος Π.");
    EXPECT_EQ(main.edit(0).text(), "函数块库，用于教学。");
    std::vector<std::string> languages;
    for (const Window& item : main.radioItems("Default language")) {
        languages.push_back(item.text());
    }
    EXPECT_EQ(languages, (Texts{"Русский", "中文"}));
    EXPECT_EQ(installDir(main).text(), v14.std);
    main.screenshot(shotName("main-window"));
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(UnicodeWindows, TheFileListShowsAndOpensFilesNamedInOtherScripts) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string recorder = recorderPath();
    const FileAssociation zlb(".zlb", "VelkUnicode.Doc", recorder + " \"%1\"");
    const RecordFile recording(work() + "\\record.txt");
    const std::string& record = recording.path();

    const std::string pkg =
        makePackage(work() + "\\pkg", {.description = kDescription,
                                       .files = {{"Libs\\Größe λ.zlb", std::string(1234, 'g')},
                                                 {"Libs\\файл 文件.txt", std::string(2048, 'f')}}});
    const std::string descriptionSize = std::to_string(readFile(pkg + "\\Libs\\Demo.lin").size());
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    main.button("File List...").click();
    const Window dialog = app.waitForWindow("File List", "TFormFiles");
    app.settle();
    const Window list = dialog.children("SysListView32").at(0);
    Rows rows = list.listRows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(
        rows,
        (Rows{{"Demo.lin", descriptionSize}, {"Größe λ.zlb", "1234"}, {"файл 文件.txt", "2048"}}));
    dialog.screenshot(shotName("file-list"));

    const Rows shown = list.listRows();
    const auto wanted = std::find_if(shown.begin(), shown.end(),
                                     [](const auto& row) { return row.at(0) == "Größe λ.zlb"; });
    ASSERT_NE(wanted, shown.end());
    list.listDoubleClick(static_cast<int>(wanted - shown.begin()));
    const std::string expected = recorder + " \"" + pkg + "\\libs\\Größe λ.zlb\"\r\n";
    waitUntil([&] { return fileExists(record) && readFile(record) == expected; },
              "the associated program to record \"" + expected + "\"", Milliseconds{15000});
    dialog.button("&Close").click();
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(UnicodeWindows, ThePickerOpensOnATargetNamedInOtherScriptsAndReturnsATypedOne) {
    addHostVersion(work() + "\\host", "1.4");
    const std::string target = work() + "\\Ziel ü\\目标 std";
    makeFolder(target);
    const std::string pkg = makePackage(
        work() + "\\pkg", {.description = kDescription, .files = {{"Libs\\a.zfb", "a"}}});
    Installer app = Installer::start(pkg);
    const Window main = app.mainWindow();
    installDir(main).setText(target);
    main.button("Browse").click();
    const Window picker = app.waitForWindow("Browse for Folder");
    app.settle();
    const Window tree = picker.children("SysTreeView32").at(0);
    const std::vector<std::string> selected = tree.treeSelectionPath();
    ASSERT_GE(selected.size(), 3u);
    EXPECT_EQ(selected[selected.size() - 2], "Ziel ü");
    EXPECT_EQ(selected.back(), "目标 std");
    EXPECT_EQ(picker.edit(0).text(), target);
    picker.screenshot(shotName("picker"));

    const std::string typed = work() + "\\Новая папка\\新文件夹 Ω";
    picker.edit(0).setText(typed);
    picker.button("OK").click();
    waitUntil([&] { return !picker.visible(); }, "the picker to close");
    app.settle();
    EXPECT_EQ(installDir(main).text(), typed);
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

} // namespace
} // namespace velk::e2e
