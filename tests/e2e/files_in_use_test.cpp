// End-to-end tests of an update whose installed file another program holds open: somebody at the
// desktop is asked to close it and retry, while the window goes on answering; nobody at the
// desktop, or in the unattended-install key's run, the run waits for it and then stops with exit
// code 4, nothing changed.
#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

const char* const kOldDescription = "[About]\r\nName=Demo\r\nVersion=1.0\r\n"
                                    "[Dorvan]\r\nDorvan5_14=Yes\r\n";
const char* const kNewDescription = "[About]\nName=Demo\nVersion=2.0\n[Dorvan]\nDorvan5_14=Yes\n";

class FilesInUseE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        host = addHostVersion(work() + "\\host", "1.4");
        writeFile(target("Demo.lin"), kOldDescription);
        writeFile(target("a.zfb"), "old a");
        writeFile(target("b.zfb"), "old b");
        package = makePackage(work() + "\\pkg",
                              {.description = kNewDescription,
                               .files = {{"Libs\\a.zfb", "new a"}, {"Libs\\b.zfb", "new b"}}});
    }
    void TearDown() override {
        setUnattended("", "", "");
        E2ETest::TearDown();
    }

    std::string target(const std::string& name) const { return host.usr + "\\" + name; }

    // Holds the file open as a program that uses it does: shared for reading only, so that it
    // can be neither moved nor deleted.
    void hold(const std::string& path) {
        held = win32::UniqueHandle(CreateFileW(win32::toWide(path).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held) << path;
    }

    void expectOldVersion() {
        EXPECT_EQ(readFile(target("Demo.lin")), kOldDescription);
        EXPECT_EQ(readFile(target("a.zfb")), "old a");
        EXPECT_EQ(readFile(target("b.zfb")), "old b");
        EXPECT_EQ(filesIn(host.usr), (Names{"Demo.lin", "a.zfb", "b.zfb"}));
        EXPECT_EQ(foldersIn(host.usr), Names{});
    }

    void expectNewVersion() {
        EXPECT_EQ(readFile(target("Demo.lin")), kNewDescription);
        EXPECT_EQ(readFile(target("a.zfb")), "new a");
        EXPECT_EQ(readFile(target("b.zfb")), "new b");
        EXPECT_EQ(foldersIn(host.usr), Names{});
    }

    HostFolders host;
    std::string package;
    win32::UniqueHandle held;
};

TEST_F(FilesInUseE2E, TheUserClosesTheFileAndRetriesAndTheUpdateIsInstalledWhole) {
    hold(target("a.zfb"));
    Installer app = Installer::start(package);
    const Window main = app.mainWindow();
    app.settle();
    main.button("Install").mouseClick();
    expectBox(app, "Confirm",
              "Library Demo 1.0 is already installed in the target directory!\r"
              "Do you want to install the library Demo 2.0 ?",
              "&Yes");

    const MessageBoxView box = app.waitForMessageBox(Milliseconds(20000));
    box.window.screenshot(shotName("retry-box"));
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.icon, BoxIcon::Warning);
    EXPECT_EQ(box.buttons, (Names{"&Retry", "Cancel"}));
    const std::string lead = "Files of the library are in use by ";
    const std::string rest = ":\r" + target("a.zfb") +
                             "\rClose them in the programs that hold them, then choose Retry. "
                             "Cancel stops, and nothing is changed.";
    ASSERT_TRUE(box.text.starts_with(lead) && box.text.ends_with(rest)) << box.text;
    // The program that holds the file (this one) by its name, as the Restart Manager gives it.
    std::string named = box.text.substr(lead.size(), box.text.size() - lead.size() - rest.size());
    for (char& c : named) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    VELK_UNLESS_WINE("Wine's Restart Manager names nobody: the box says \"another program\"")
    EXPECT_NE(named.find("e2e_tests"), std::string::npos) << box.text;
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(main.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer), 0)
        << "the main window does not answer while the box is up";
    EXPECT_EQ(readFile(target("b.zfb")), "old b") << "changed before the files were let go";

    held = win32::UniqueHandle(nullptr);
    box.answer("&Retry");

    expectBox(app, "Information", "Library installation was successful.", "OK");
    EXPECT_EQ(app.waitForExit(), 0u);
    expectNewVersion();
}

// Cancel is the user's choice: nothing changed, the window stays with the focus where it was,
// and Install once the file is let go installs the update whole. A Retry that finds the file
// still held says so first.
TEST_F(FilesInUseE2E, CancelKeepsTheWindowAndASecondInstallGoesThroughWhole) {
    hold(target("a.zfb"));
    Installer app = Installer::start(package);
    const Window main = app.mainWindow();
    app.settle();
    const Window install = main.button("Install");
    install.mouseClick();
    expectBox(app, "Confirm",
              "Library Demo 1.0 is already installed in the target directory!\r"
              "Do you want to install the library Demo 2.0 ?",
              "&Yes");
    const std::string inUse = "Files of the library are in use by another program:\r" +
                              target("a.zfb") +
                              "\rClose them in the programs that hold them, then choose Retry. "
                              "Cancel stops, and nothing is changed.";
    const MessageBoxView box = app.waitForMessageBox(Milliseconds(20000));
    EXPECT_EQ(box.text, inUse);
    box.answer("&Retry");
    const MessageBoxView again = app.waitForMessageBox();
    EXPECT_EQ(again.text, "Retry found the files still in use.\r" + inUse);
    again.answer("Cancel");

    expectBox(app, "Information", "Nothing was changed: the library installed before is as it was.",
              "OK");
    app.settle();
    ASSERT_TRUE(app.running());
    EXPECT_TRUE(main.visible());
    EXPECT_TRUE(install.enabled());
    EXPECT_TRUE(main.button("Remove").enabled());
    EXPECT_EQ(main.focus().hwnd(), install.hwnd()) << main.focus().describe();
    main.screenshot(shotName("after-cancel"));
    expectOldVersion();

    held = win32::UniqueHandle(nullptr);
    install.mouseClick();
    expectBox(app, "Confirm",
              "Library Demo 1.0 is already installed in the target directory!\r"
              "Do you want to install the library Demo 2.0 ?",
              "&Yes");
    expectBox(app, "Information", "Library installation was successful.", "OK");
    EXPECT_EQ(app.waitForExit(), 0u);
    expectNewVersion();
}

// The key's run asks nothing: with nobody at the desktop, and on the visible desktop too, it
// looks again every second, up to the key's "WaitInUse", and then ends by itself with 4, no box
// shown, nothing changed.
TEST_F(FilesInUseE2E, UnattendedTheRunWaitsForTheFileThenStopsWithExitCodeFour) {
    setUnattended(host.usr, "", "activated");
    setUnattendedValue("WaitInUse", "3");
    const std::string log = work() + "\\install.log";
    setUnattendedLog(log);
    hold(target("a.zfb"));

    for (const bool onTheDesktop : {false, true}) {
        removeTree(log);
        Installer app =
            onTheDesktop ? Installer::start(package) : Installer::startUnwatched(package);
        const ULONGLONG started = GetTickCount64();
        while (onTheDesktop && app.running() && GetTickCount64() - started < 20000) {
            EXPECT_FALSE(app.findMessageBox().has_value()) << "a box came up";
            Sleep(100);
        }
        EXPECT_EQ(app.waitForExit(kStartTimeout), 4u)
            << (onTheDesktop ? "on the desktop" : "nobody at the desktop");
        // It ends by itself within the wait and 5 s more.
        EXPECT_GE(GetTickCount64() - started, 3000u);
        EXPECT_LE(GetTickCount64() - started, 8000u);

        expectOldVersion();
        const std::string text = readFile(log);
        EXPECT_NE(text.find("In use: " + target("a.zfb") + "\r\n"), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("exit code 4\r\n")) << text;
    }
}

TEST_F(FilesInUseE2E, UnattendedAFileLetGoWithinTheWaitIsInstalled) {
    setUnattended(host.usr, "", "activated");
    hold(target("a.zfb"));

    Installer app = Installer::startUnwatched(package);
    Sleep(3000);
    held = win32::UniqueHandle(nullptr);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);
    EXPECT_EQ(readFile(target("a.zfb")), "new a");
    EXPECT_EQ(readFile(target("b.zfb")), "new b");
}

// While the run waits, the target and its work folder are held: another user cannot rename them
// away to put a link or another folder in their place; once the run has ended, they can.
TEST_F(FilesInUseE2E, UnattendedTheTargetAndTheWorkFolderStayInPlaceDuringTheWait) {
    setUnattended(host.usr, "", "activated");
    const std::string log = work() + "\\install.log";
    setUnattendedLog(log);
    hold(target("a.zfb"));

    Installer app = Installer::startUnwatched(package);
    const std::string workFolder = target("~VelkInstall.work");
    // Its mark is made once the folder is held.
    for (int i = 0; i < 100 && !fileExists(workFolder + "\\begun"); ++i) {
        Sleep(50);
    }
    ASSERT_TRUE(fileExists(workFolder + "\\begun"));
    const std::string away = host.usr + " away";
    EXPECT_FALSE(MoveFileW(win32::toWide(host.usr).c_str(), win32::toWide(away).c_str()));
    EXPECT_FALSE(MoveFileW(win32::toWide(workFolder).c_str(), win32::toWide(away).c_str()));
    held = win32::UniqueHandle(nullptr);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u) << readFile(log);
    EXPECT_EQ(readFile(target("a.zfb")), "new a");
    EXPECT_FALSE(folderExists(away));
    ASSERT_TRUE(MoveFileW(win32::toWide(host.usr).c_str(), win32::toWide(away).c_str()));
    ASSERT_TRUE(MoveFileW(win32::toWide(away).c_str(), win32::toWide(host.usr).c_str()));
}

} // namespace
} // namespace velk::e2e
