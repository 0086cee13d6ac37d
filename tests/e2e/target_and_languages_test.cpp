// End-to-end tests of what installation and removal refuse to touch and copy only once: the
// package's own "Libs" folder is no target however it is typed, an unattended run that installed
// nothing says so in its exit code, and a language count far beyond the listed languages
// installs the same tree as the languages themselves; with nobody at the desktop, a run that
// installed nothing ends by itself.
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

std::string description(const std::string& count) {
    return "[About]\nName=Demo\nVersion=2.0\n[Dorvan]\nDorvan5_14=Yes\n"
           "[Languages]\nCount=" +
           count + "\nLang0=English\nLang1=German\nSelected=1\n";
}

class TargetAndLanguagesE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        host = addHostVersion(work() + "\\host", "1.4");
        package =
            makePackage(work() + "\\pkg", {.description = description("2"),
                                           .files = {{"Libs\\a.zfb", "a block"},
                                                     {"Libs\\texts.txt", "base texts"},
                                                     {"Libs\\English\\texts.txt", "english texts"},
                                                     {"Libs\\German\\texts.txt", "german texts"},
                                                     {"Libs\\German\\extra.txt", "german extra"}}});
    }

    static void expectRefusal(const Installer& app, const std::string& work) {
        const MessageBoxView box = app.waitForMessageBox();
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, "The target folder lies in the package's own \"Libs\" folder: the "
                            "library cannot be " +
                                work + " there.");
        box.answer("OK");
        app.waitForNoMessageBox();
        app.settle();
        EXPECT_TRUE(app.running());
    }

    HostFolders host;
    std::string package;
};

TEST_F(TargetAndLanguagesE2E, TheLibsFolderIsNoTargetHoweverItIsTyped) {
    const std::map<std::string, std::string> before = treeOf(package);
    ASSERT_EQ(before.size(), 7u);

    for (const std::string& typed :
         {work() + "\\PKG\\libs\\", work() + "\\pkg\\Libs\\German", work() + "\\pkg\\.\\Libs"}) {
        SCOPED_TRACE(typed);
        Installer app = Installer::start(package);
        const Window main = app.mainWindow();
        main.edit(1).setText(typed);
        main.button("Install").click();
        expectRefusal(app, "installed");
        main.button("Remove").click();
        expectRefusal(app, "removed");
        main.button("Exit").click();
        EXPECT_EQ(app.waitForExit(), 0u);
    }

    // An unattended installation shows the refusal too and leaves the window open; closed, the
    // program tells that it installed nothing.
    setUnattended(work() + "\\pkg\\.\\Libs", "German", "activated");
    Installer app = Installer::start(package);
    expectRefusal(app, "installed");
    app.mainWindow().button("Exit").click();
    EXPECT_EQ(app.waitForExit(), 2u);

    EXPECT_EQ(treeOf(package), before);
}

TEST_F(TargetAndLanguagesE2E, AnUnattendedRunIntoAMissingTargetEndsWithExitCodeTwo) {
    setUnattended(work() + "\\missing", "", "activated");
    Installer app = Installer::start(package);
    expectBox(app, "Error", "Target Path not exist, cannot be installed.", "OK");
    app.settle();
    EXPECT_TRUE(app.running());
    app.mainWindow().screenshot(shotName("unattended-missing-target"));
    app.mainWindow().close();
    EXPECT_EQ(app.waitForExit(), 2u);
    EXPECT_EQ(filesIn(host.usr), Names{});
}

// With nobody at the desktop (a window station of its own, as a deployment tool's account runs
// the program) no box waits for an answer: the run ends by itself, and its log says why.
TEST_F(TargetAndLanguagesE2E, WithNobodyAtTheDesktopAMissingTargetEndsTheRunByItself) {
    setUnattended(work() + "\\missing", "", "activated");
    const std::string log = work() + "\\install.log";
    setUnattendedLog(log);
    Installer app = Installer::startUnwatched(package);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 2u);

    const std::string text = readFile(log);
    for (const char* said :
         {"Nobody is at the desktop",
          "Error box (not shown): Target Path not exist, cannot be installed.\r\n",
          "Nobody at the desktop can close the window"}) {
        EXPECT_NE(text.find(said), std::string::npos) << said << " in:\n" << text;
    }
    EXPECT_TRUE(text.ends_with("exit code 2\r\n")) << text;
    EXPECT_EQ(filesIn(host.usr), Names{});
}

TEST_F(TargetAndLanguagesE2E, AHugeLanguageCountInstallsEachLanguageOnce) {
    writeFile(package + "\\Libs\\Demo.lin", description("3000000"));
    setUnattended(host.usr, "German", "activated");
    Installer app = Installer::start(package);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);

    EXPECT_EQ(treeOf(host.usr),
              (std::map<std::string, std::string>{{"Demo.lin", description("3000000")},
                                                  {"a.zfb", "a block"},
                                                  {"extra.txt", "german extra"},
                                                  {"texts.txt", "german texts"},
                                                  {"English\\texts.txt", "english texts"},
                                                  {"German\\extra.txt", "german extra"},
                                                  {"German\\texts.txt", "german texts"}}));
}

} // namespace
} // namespace velk::e2e
