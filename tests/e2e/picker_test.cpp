// End-to-end tests of the folder picker: "Browse" opens it on the target folder, the shell's
// tree positions itself there, and only OK takes the picker's text over.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

class Picker : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        v14 = addHostVersion(work() + "\\host", "1.4");
        makeFolder(v14.usr + "\\inner\\deeper");
        makeFolder(work() + "\\host\\1.4\\.hidden"); // Wine hides dot names
        pkg = makePackage(work() + "\\pkg",
                          {.description = "[About]\nName=Demo\n[Dorvan]\nDorvan5_14=Yes\n",
                           .files = {{"Libs\\a.zfb", "block"}}});
    }

    Window installDir(const Window& main) const { return main.edit(1); }

    // Presses "Browse" and returns the picker once it is shown.
    Window browse(const Installer& app, const Window& main) const {
        main.button("Browse").click();
        Window picker = app.waitForWindow("Browse for Folder");
        app.settle();
        return picker;
    }

    static Window treeOf(const Window& picker) {
        const std::vector<Window> trees = picker.children("SysTreeView32");
        if (trees.size() != 1) {
            throw DriverError("the picker has " + std::to_string(trees.size()) + " trees");
        }
        return trees.front();
    }

    void waitHidden(const Installer& app, const Window& picker) const {
        waitUntil([&] { return !picker.visible(); }, "the picker to close");
        app.settle();
    }

    HostFolders v14;
    std::string pkg;
};

TEST_F(Picker, OpensOnTheTargetFolderAndCancelOrEscapeKeepTheTarget) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    // The same folder, spelt with a trailing backslash: the tree's path for it has none.
    const std::string typed = v14.usr + "\\";
    installDir(main).setText(typed);

    Window picker = browse(app, main);
    picker.screenshot(shotName("picker"));
    const std::vector<std::string> texts = picker.staticTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Installation directory"), texts.end());
    // The label that names the folder field comes right before it, where screen readers look.
    EXPECT_EQ(Window(GetWindow(picker.edit(0).hwnd(), GW_HWNDPREV)).text(),
              "Installation directory");
    Window tree = treeOf(picker);
    const std::vector<std::string> selected = tree.treeSelectionPath();
    ASSERT_GE(selected.size(), 3u);
    EXPECT_EQ(selected.back(), "Usr");
    EXPECT_EQ(picker.edit(0).text(), v14.usr);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(picker.threadId(), &gui));
    EXPECT_EQ(gui.hwndFocus, tree.hwnd()); // the tree has the focus

    // Only the ancestors were opened: the target's own entries are listed when it opens, one
    // level (its subfolder, not the one below). Hidden folders are not listed.
    std::vector<std::string> parent(selected.begin(), selected.end() - 1);
    EXPECT_EQ(tree.treeChildren(parent), (std::vector<std::string>{"App", "Apps", "Std", "Usr"}));
    const auto count = [&] { return SendMessageA(tree.hwnd(), TVM_GETCOUNT, 0, 0); };
    const LRESULT before = count();
    EXPECT_EQ(tree.treeChildren(selected), std::vector<std::string>{"inner"});
    EXPECT_EQ(count(), before + 1);

    // Another folder selected, then Cancel: the target stays as typed.
    tree.treeSelect(parent);
    app.settle();
    EXPECT_EQ(picker.edit(0).text(), v14.usr.substr(0, v14.usr.rfind('\\')));
    picker.button("Cancel").click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), typed);

    // Again: the tree is positioned anew; a change and then Escape keep the target too.
    picker = browse(app, main);
    EXPECT_EQ(tree.treeSelectionPath(), selected);
    picker.edit(0).setText("C:\\somewhere else");
    tree.pressKey(VK_ESCAPE);
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), typed);

    // And the close box.
    picker = browse(app, main);
    picker.edit(0).setText("C:\\closed");
    picker.close();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), typed);

    // The same folder a second time: the tree already selects it, the typed text stays.
    picker = browse(app, main);
    EXPECT_EQ(picker.edit(0).text(), typed);
    picker.button("OK").click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), typed);

    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(Picker, OkTakesATypedFolderThatDoesNotExistOverExactly) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    // A target that does not exist leaves the tree as it was built: on the desktop.
    const std::string missing = work() + "\\missing";
    installDir(main).setText(missing);
    Window picker = browse(app, main);
    picker.screenshot(shotName("desktop"));
    EXPECT_EQ(treeOf(picker).treeSelectionPath().size(), 1u);
    EXPECT_EQ(picker.edit(0).text(), missing);

    const std::string typed = work() + "\\not there\\New Folder ";
    picker.edit(0).setText(typed);
    picker.button("OK").click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), typed);
    EXPECT_FALSE(folderExists(typed));
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// The computer entry has no place in the file system: OK is disabled and the text keeps the
// last folder; the drive below it is a folder again, which OK takes.
TEST_F(Picker, TheComputerEntryIsNoFolderToTake) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    Window picker = browse(app, main);
    Window tree = treeOf(picker);
    const Window ok = picker.button("OK");
    // The way from the desktop to a file system folder passes the computer entry.
    const std::vector<std::string> way = tree.treeSelectionPath();
    ASSERT_GE(way.size(), 3u);
    const std::string folder = picker.edit(0).text();
    ASSERT_TRUE(ok.enabled());
    tree.treeSelect({way[0], way[1]});
    app.settle();
    EXPECT_EQ(tree.treeSelectionPath(), (std::vector<std::string>{way[0], way[1]}));
    EXPECT_EQ(picker.edit(0).text(), folder);
    EXPECT_FALSE(ok.enabled());
    picker.screenshot(shotName("computer"));

    tree.treeSelect({way[0], way[1], way[2]});
    app.settle();
    EXPECT_TRUE(ok.enabled());
    const std::string drive = picker.edit(0).text();
    EXPECT_NE(drive, folder);
    ok.click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), drive);
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// A relative target is taken from the program's current folder (the package's Libs), as the
// installation takes it; the tree then shows where that is.
TEST_F(Picker, ARelativeTargetOpensOnTheFolderItNames) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    installDir(main).setText("..\\..\\host\\1.4\\Std");
    Window picker = browse(app, main);
    EXPECT_EQ(treeOf(picker).treeSelectionPath().back(), "Std");
    EXPECT_EQ(picker.edit(0).text(), v14.std);
    picker.button("Cancel").click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), "..\\..\\host\\1.4\\Std");
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// A hidden folder has no entry in the tree: the tree stays where it was and the text as typed.
TEST_F(Picker, AHiddenTargetLeavesTheSelectionAndTheText) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    const std::string hidden = work() + "\\host\\1.4\\.hidden";
    ASSERT_TRUE(folderExists(hidden));
    installDir(main).setText(hidden);
    Window picker = browse(app, main);
    EXPECT_EQ(treeOf(picker).treeSelectionPath().size(), 1u);
    EXPECT_EQ(picker.edit(0).text(), hidden);
    picker.button("OK").click();
    waitHidden(app, picker);
    EXPECT_EQ(installDir(main).text(), hidden);
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

// A right click with the real mouse selects the entry under the mouse.
TEST_F(Picker, ARightClickSelectsTheEntryUnderTheMouse) {
    Installer app = Installer::start(pkg);
    Window main = app.mainWindow();
    installDir(main).setText(work() + "\\missing");
    Window picker = browse(app, main);
    Window tree = treeOf(picker);
    const std::vector<std::string> root = tree.treeSelectionPath();
    ASSERT_EQ(root.size(), 1u); // the desktop, on top, its entries below it one level in
    const std::vector<std::string> entries = tree.treeChildren(root);
    ASSERT_GE(entries.size(), 2u);

    // The second entry below the desktop is the third row; its label starts after one level of
    // indent (19 pixels) and the icon (16).
    const auto rowHeight = static_cast<int>(SendMessageA(tree.hwnd(), TVM_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rowHeight, 0);
    POINT point{19 + 16 + 8, 2 * rowHeight + rowHeight / 2};
    ClientToScreen(tree.hwnd(), &point);
    SetForegroundWindow(picker.hwnd());
    // Every event carries the position: a separate cursor move may not have arrived yet.
    INPUT clicks[3]{};
    for (INPUT& input : clicks) {
        input.type = INPUT_MOUSE;
        input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    clicks[1].mi.dwFlags |= MOUSEEVENTF_RIGHTDOWN;
    clicks[2].mi.dwFlags |= MOUSEEVENTF_RIGHTUP;
    ASSERT_EQ(SendInput(3, clicks, sizeof(INPUT)), 3u);
    const std::vector<std::string> expected{root[0], entries[1]};
    waitUntil([&] { return tree.treeSelectionPath() == expected; },
              "the right click to select \"" + entries[1] + "\"");
    app.settle();
    // The picker followed the selection: a folder of the file system replaces the text, an
    // entry without a place there (Wine's "My Computer") disables OK.
    EXPECT_TRUE(picker.edit(0).text() != work() + "\\missing" || !picker.button("OK").enabled());
    EXPECT_TRUE(picker.visible()); // no menu or other window came up in its place
    picker.screenshot(shotName("right-click"));
    picker.button("Cancel").click();
    waitHidden(app, picker);
    main.button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

} // namespace
} // namespace velk::e2e
