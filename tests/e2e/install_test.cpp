// End-to-end tests of installation and removal: the real program, its questions and reports,
// the files it leaves in the target folder and its exit code.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_file_system.h"
#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

const char* const kDescription = "[About]\nName=Demo\nVersion=2.0\n"
                                 "[Dorvan]\nDorvan5_14=Yes\n"
                                 "[Languages]\nCount=2\nLang0=English\nLang1=German\nSelected=1\n";

class InstallE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        host = addHostVersion(work() + "\\host", "1.4");
        package =
            makePackage(work() + "\\pkg", {.description = kDescription,
                                           .files = {{"Libs\\a.zfb", "a block"},
                                                     {"Libs\\b.zfb", "b block"},
                                                     {"Libs\\texts.txt", "base texts"},
                                                     {"Libs\\empty.zfb", ""},
                                                     {"Libs\\Docs\\manual.txt", "manual"},
                                                     {"Libs\\English\\texts.txt", "english texts"},
                                                     {"Libs\\German\\texts.txt", "german texts"},
                                                     {"Libs\\German\\extra.txt", "german extra"},
                                                     {"Libs\\German\\Deep\\deep.txt", "deep"}}});
    }

    std::string target(const std::string& name) const { return host.usr + "\\" + name; }

    // Starts the program and waits for its main window.
    Installer startInteractive() {
        Installer app = Installer::start(package);
        Window main = app.mainWindow();
        EXPECT_EQ(main.edit(1).text(), host.usr);
        return app;
    }

    // The tree an installation of the package leaves (English and German folders, German as
    // the default language over the base files); the description is one of the base files.
    void expectInstalledTree() {
        EXPECT_EQ(filesIn(host.usr),
                  (Names{"Demo.lin", "a.zfb", "b.zfb", "extra.txt", "texts.txt"}));
        EXPECT_EQ(foldersIn(host.usr), (Names{"English", "German"}));
        EXPECT_EQ(filesIn(target("English")), (Names{"texts.txt"}));
        EXPECT_EQ(filesIn(target("German")), (Names{"extra.txt", "texts.txt"}));
        EXPECT_EQ(readFile(target("a.zfb")), "a block");
        EXPECT_EQ(readFile(target("texts.txt")), "german texts");
        EXPECT_EQ(readFile(target("English\\texts.txt")), "english texts");
        EXPECT_EQ(readFile(target("German\\extra.txt")), "german extra");
    }

    HostFolders host;
    std::string package;
};

TEST_F(InstallE2E, InteractiveInstallationAsksAboutExistingFilesAndCopiesThePackage) {
    writeFile(target("b.zfb"), "old b");
    Installer app = startInteractive();

    app.mainWindow().button("Install").click();
    expectBox(app, "Confirm",
              "File b.zfb is already exists in the target directory!\rDo you want to continue ?",
              "&Yes");
    expectBox(app, "Information", "Library installation was successful.", "OK");

    EXPECT_EQ(app.waitForExit(), 0u);
    expectInstalledTree();
    EXPECT_EQ(readFile(target("b.zfb")), "b block");
}

TEST_F(InstallE2E, ASecondInstallationAsksAboutTheInstalledLibraryAndNoKeepsIt) {
    setUnattended(host.usr, "", "activated");
    EXPECT_EQ(Installer::start(package).waitForExit(kStartTimeout), 0u);
    setUnattended("", "", "");
    writeFile(target("Demo.lin"), "[About]\nName=Old Demo\nVersion=1.1\n");
    writeFile(target("a.zfb"), "changed since");
    Installer app = startInteractive();

    app.mainWindow().button("Install").click();
    expectBox(app, "Confirm",
              "Library Old Demo 1.1 is already installed in the target directory!\r"
              "Do you want to install the library Demo 2.0 ?",
              "&No");
    app.settle();

    EXPECT_TRUE(app.running());
    EXPECT_EQ(readFile(target("a.zfb")), "changed since");
    app.mainWindow().button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(InstallE2E, AnUnattendedRunInstallsWithoutABoxAndEnds) {
    setUnattended(host.usr, "german", "ACTIVATED");
    const std::string log = work() + "\\install.log";
    setUnattendedLog(log);
    Installer app = Installer::start(package);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);
    expectInstalledTree();

    // The run's log names the program and ends with the exit code.
    const std::string text = readFile(log);
    EXPECT_NE(text.find(" VelkInstall 1."), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("exit code 0\r\n")) << text;
}

TEST_F(InstallE2E, ASilentValueWithATrailingBlankIsNoUnattendedRun) {
    setUnattended(host.usr, "German", "activated ");
    Installer app = startInteractive();
    app.settle();
    EXPECT_FALSE(app.findMessageBox().has_value());
    EXPECT_EQ(filesIn(host.usr), Names{});
    app.mainWindow().button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
}

TEST_F(InstallE2E, AnUpdateWithAFileInUseLeavesTheOldVersionByteForByte) {
    // Version 1.0 is installed; its b.zfb is held open without sharing by this test process,
    // another process than the installer, until the installer has ended.
    const std::string oldDescription = "[About]\r\nName=Demo\r\nVersion=1.0\r\n";
    writeFile(target("Demo.lin"), oldDescription);
    writeFile(target("a.zfb"), "old a");
    writeFile(target("b.zfb"), "old b");
    writeFile(target("German\\texts.txt"), "old german");
    win32::UniqueHandle held(CreateFileA(target("b.zfb").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held) << "cannot open " << target("b.zfb") << ": error " << GetLastError();
    Installer app = startInteractive();

    app.mainWindow().button("Install").click();
    expectBox(app, "Confirm",
              "Library Demo 1.0 is already installed in the target directory!\r"
              "Do you want to install the library Demo 2.0 ?",
              "&Yes");
    // The user is asked to close the file and retry, and cancels: nothing was changed.
    const MessageBoxView retry = app.waitForMessageBox(Milliseconds(20000));
    EXPECT_EQ(retry.caption, "Warning");
    retry.answer("Cancel");
    const MessageBoxView box = app.waitForMessageBox();
    EXPECT_EQ(box.caption, "Information");
    EXPECT_EQ(box.icon, BoxIcon::Information);
    EXPECT_EQ(box.text, "Nothing was changed: the library installed before is as it was.");
    box.answer("OK");

    app.mainWindow().button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 0u);
    held = win32::UniqueHandle(nullptr);
    EXPECT_EQ(filesIn(host.usr), (Names{"Demo.lin", "a.zfb", "b.zfb"}));
    EXPECT_EQ(foldersIn(host.usr), (Names{"German"}));
    EXPECT_EQ(filesIn(target("German")), (Names{"texts.txt"}));
    EXPECT_EQ(readFile(target("Demo.lin")), oldDescription);
    EXPECT_EQ(readFile(target("a.zfb")), "old a");
    EXPECT_EQ(readFile(target("b.zfb")), "old b");
    EXPECT_EQ(readFile(target("German\\texts.txt")), "old german");
}

TEST_F(InstallE2E, AnUpdateLeavesAFileInUseWhoseBytesDidNotChangeAndInstallsTheRest) {
    // Version 1.0 is installed, with the b.zfb of 2.0 already; this test process holds it open
    // as a program that reads it does (shared for reading only), so it could not be replaced.
    writeFile(target("Demo.lin"), "[About]\r\nName=Demo\r\nVersion=1.0\r\n");
    writeFile(target("a.zfb"), "old a");
    writeFile(target("b.zfb"), "b block");
    const win32::UniqueHandle held(CreateFileA(target("b.zfb").c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held) << "cannot open " << target("b.zfb") << ": error " << GetLastError();
    setUnattended(host.usr, "german", "activated");

    EXPECT_EQ(Installer::start(package).waitForExit(kStartTimeout), 0u);
    expectInstalledTree();
    EXPECT_EQ(readFile(target("b.zfb")), "b block");
}

TEST_F(InstallE2E, RemovalAnsweredNoKeepsEverythingAndYesDeletesTheBaseFiles) {
    setUnattended(host.usr, "", "activated");
    EXPECT_EQ(Installer::start(package).waitForExit(kStartTimeout), 0u);
    setUnattended("", "", "");
    writeFile(target("someone-elses.txt"), "keep");
    Installer app = startInteractive();
    const std::string question = "Library Demo 2.0 is already installed in the target directory!\r"
                                 "Do you want to remove the library Demo 2.0 ?";

    app.mainWindow().button("Remove").click();
    expectBox(app, "Confirm", question, "&No");
    app.settle();
    EXPECT_TRUE(app.running());
    EXPECT_EQ(filesIn(host.usr),
              (Names{"Demo.lin", "a.zfb", "b.zfb", "extra.txt", "someone-elses.txt", "texts.txt"}));

    app.mainWindow().button("Remove").click();
    expectBox(app, "Confirm", question, "&Yes");
    expectBox(app, "Information", "Library uninstallation was successful.", "OK");
    EXPECT_EQ(app.waitForExit(), 0u);

    // The default language's own file and the language folders stay.
    EXPECT_EQ(filesIn(host.usr), (Names{"extra.txt", "someone-elses.txt"}));
    EXPECT_EQ(filesIn(target("English")), (Names{"texts.txt"}));
    EXPECT_EQ(filesIn(target("German")), (Names{"extra.txt", "texts.txt"}));
}

constexpr int kManyFiles = 5000;

// A package of kManyFiles library files, "f0000.zfb" and on.
std::string manyFilesPackage(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (int i = 0; i < kManyFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Libs\\f%04d.zfb", i);
        files[name] = "block " + std::to_string(i);
    }
    return makePackage(
        folder, {.description = "[About]\nName=Big\n[Dorvan]\nDorvan5_14=Yes\n", .files = files});
}

// A second installer clicked while a first one works in the same target (two windows, as a
// user opens them) is told so and changes nothing; once the first was ended in the middle of its
// work, the second's click undoes what it left and installs.
TEST_F(InstallE2E, ASecondInstallerWaitsForTheFirstAndTakesOverAfterItIsKilled) {
    Installer first = Installer::start(manyFilesPackage(work() + "\\big"));
    first.mainWindow().button("Install").click();
    waitUntil([&] { return fileExists(target("~VelkInstall.work\\begun")); },
              "the first installer's work", kStartTimeout);
    Installer second = startInteractive();
    const Window main = second.mainWindow();

    main.button("Install").click();
    expectBox(second, "Error",
              "Another installation or removal is running in the target folder. Wait until it "
              "has ended, then try again.",
              "OK");
    first.kill();
    main.button("Install").click();
    expectBox(second, "Information", "Library installation was successful.", "OK");
    EXPECT_EQ(second.waitForExit(), 0u);
    expectInstalledTree();
}

// Two deployments started together into one target, with nobody at the desktop: one installs,
// the other installs as well once the first is done or says that another run works there (the
// code a deployment tool tries again); neither fails nor leaves work behind.
TEST_F(InstallE2E, TwoUnattendedRunsStartedTogetherNeitherFails) {
    const std::string big = manyFilesPackage(work() + "\\big");
    setUnattended(host.usr, "", "activated");
    setUnattendedLog(work() + "\\both.log");
    Installer first = Installer::startUnwatched(big);
    Installer second = Installer::startUnwatched(big);
    std::vector<DWORD> codes = {first.waitForExit(kStartTimeout * 4),
                                second.waitForExit(kStartTimeout * 4)};
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes[0], 0u);
    EXPECT_TRUE(codes[1] == 0u || codes[1] == 1618u) << codes[1];
    EXPECT_EQ(filesIn(host.usr).size(), static_cast<std::size_t>(kManyFiles) + 1);
    EXPECT_EQ(foldersIn(host.usr), Names{});
}

// A long installation keeps the window alive: checked every 200 ms, it answers within 100 ms,
// its progress bar only grows, and a close request does nothing; the tree is then complete.
TEST_F(InstallE2E, ALongInstallationKeepsTheWindowAnsweringAndShowsItsProgress) {
    constexpr int kFiles = kManyFiles;
    const std::string big = manyFilesPackage(work() + "\\big");
    setUnattended(host.usr, "", "activated");
    Installer app = Installer::start(big);
    const Window main = app.mainWindow();

    int checks = 0;
    int barSeen = 0;
    LRESULT last = -1;
    bool closeRequested = false;
    while (main.exists()) {
        DWORD_PTR answer = 0;
        const ULONGLONG asked = GetTickCount64();
        if (SendMessageTimeoutW(main.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer) == 0 &&
            main.exists()) {
            ADD_FAILURE() << "the main window did not answer within 100 ms at check " << checks
                          << " (" << GetTickCount64() - asked << " ms, bar seen " << barSeen
                          << " times)";
        }
        EXPECT_FALSE(IsHungAppWindow(main.hwnd())) << "check " << checks;
        for (const Window& bar : main.children("msctls_progress32")) {
            if (!bar.visible()) {
                continue;
            }
            DWORD_PTR position = 0;
            DWORD_PTR range = 0;
            if (SendMessageTimeoutW(bar.hwnd(), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100,
                                    &position) == 0 ||
                SendMessageTimeoutW(bar.hwnd(), PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 100,
                                    &range) == 0) {
                continue; // gone meanwhile: the work has ended
            }
            EXPECT_GE(static_cast<LRESULT>(position), last) << "check " << checks;
            if (position > 0) { // the count has come: each file made ready, then put in place
                EXPECT_EQ(range, static_cast<DWORD_PTR>(2 * (kFiles + 1)));
            }
            last = static_cast<LRESULT>(position);
            if (++barSeen == 1) {
                main.screenshot(shotName("progress"));
                main.close();
                app.settle();
                EXPECT_TRUE(main.exists()) << "a close request during the work closed the window";
                closeRequested = true;
            }
        }
        ++checks;
        Sleep(200);
    }
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);
    EXPECT_TRUE(closeRequested);
    EXPECT_GE(barSeen, 3) << "of " << checks << " checks";
    const std::vector<std::string> installed = filesIn(host.usr);
    ASSERT_EQ(installed.size(), static_cast<std::size_t>(kFiles + 1));
    EXPECT_EQ(installed.front(), "Demo.lin");
    EXPECT_EQ(installed.back(), "f4999.zfb");
    EXPECT_EQ(readFile(target("f4999.zfb")), "block 4999");
}

// The same started by a click on "Install", posted as a mouse click comes: from the click until
// the success box, the window answers within 100 ms whenever it is asked, every 100 ms.
TEST_F(InstallE2E, ALongInstallationAnswersFromTheClickToTheSuccessBox) {
    Installer app = Installer::start(manyFilesPackage(work() + "\\big"));
    const Window main = app.mainWindow();
    app.settle();
    main.button("Install").click();
    int checks = 0;
    std::optional<MessageBoxView> box;
    while (!(box = app.findMessageBox())) {
        const ULONGLONG asked = GetTickCount64();
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(main.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer) == 0) {
            ADD_FAILURE() << "the main window did not answer within 100 ms at check " << checks
                          << " (" << GetTickCount64() - asked << " ms)";
        }
        ASSERT_LT(++checks, 3000) << "no box within five minutes";
        const ULONGLONG took = GetTickCount64() - asked;
        Sleep(took < 100 ? static_cast<DWORD>(100 - took) : 0);
    }
    EXPECT_GE(checks, 5) << "the installation was too short to tell";
    EXPECT_EQ(box->text, "Library installation was successful.");
    box->answer("OK");
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_EQ(filesIn(host.usr).size(), static_cast<std::size_t>(kManyFiles + 1));
}

} // namespace
} // namespace velk::e2e
