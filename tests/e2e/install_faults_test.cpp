// End-to-end tests of installations whose copies fail: a read-only file in the target folder and
// a target folder on a full disk, for a first installation and for an update. The failed files
// are named in the error box, the program ends with exit code 1, every other file is copied, and
// a file that could not be replaced stays as it was.
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

const char* const kDescription = "[About]\nName=Demo\nVersion=2.0\n"
                                 "[Dorvan]\nDorvan5_14=Yes\n"
                                 "[Languages]\nCount=1\nLang0=English\nSelected=0\n";

class InstallFaultsE2E : public E2ETest {
  protected:
    // The host suite's folders in the work folder; its user library folder at `usr` when given.
    void addHost(const std::string& usr = {}) {
        host = addHostVersion(work() + "\\host", "1.4");
        if (!usr.empty()) {
            makeFolder(usr);
            setHostValue("1.4", "UsrLibDir", usr);
            host.usr = usr;
        }
    }

    std::string target(const std::string& name) const { return host.usr + "\\" + name; }

    // The host's user library folder, empty, on the small file system that full_disk_test.sh
    // mounts and names (as a Unix path) in VELK_E2E_FULL_DISK; nothing without it.
    std::string addHostOnFullDisk() {
        const char* mounted = std::getenv("VELK_E2E_FULL_DISK");
        if (mounted == nullptr || *mounted == '\0') {
            return {};
        }
        const std::string usr = toWinePath(mounted) + "\\usr";
        removeTree(usr);
        addHost(usr);
        return usr;
    }

    // Waits for the error box, checks it names exactly the `failed` paths, and closes it.
    static void expectFailureBox(const Installer& app, const Names& failed) {
        std::string text = "Library installation failed: " + std::to_string(failed.size()) +
                           " file(s) could not be copied.";
        for (const std::string& path : failed) {
            text += "\r" + path;
        }
        const MessageBoxView box = app.waitForMessageBox();
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.text, text);
        box.answer("OK");
    }

    HostFolders host;
};

TEST_F(InstallFaultsE2E, AReadOnlyFileInTheTargetIsReportedAndKeptAndEverythingElseIsCopied) {
    addHost();
    const std::string package =
        makePackage(work() + "\\pkg", {.description = kDescription,
                                       .files = {{"Libs\\a.zfb", "a block"},
                                                 {"Libs\\b.zfb", "b block"},
                                                 {"Libs\\texts.txt", "base texts"},
                                                 {"Libs\\English\\texts.txt", "english texts"}}});
    writeFile(target("a.zfb"), "old a");
    setReadOnly(target("a.zfb"), true);
    Installer app = Installer::start(package);
    app.mainWindow().button("Install").click();
    const MessageBoxView question = app.waitForMessageBox();
    EXPECT_EQ(question.text,
              "File a.zfb is already exists in the target directory!\rDo you want to continue ?");
    question.answer("&Yes");

    expectFailureBox(app, {target("a.zfb")});

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(readFile(target("a.zfb")), "old a");
    EXPECT_EQ(filesIn(host.usr), (Names{"Demo.lin", "a.zfb", "b.zfb", "texts.txt"}));
    EXPECT_EQ(readFile(target("b.zfb")), "b block");
    EXPECT_EQ(readFile(target("texts.txt")), "english texts");
    EXPECT_EQ(readFile(target("English\\texts.txt")), "english texts");
}

// Needs the small file system of full_disk_test.sh (addHostOnFullDisk); skipped without it.
TEST_F(InstallFaultsE2E, AFullDiskFailsTheCopiesOfAFileTooBigAndTheBaseFilesAreCopied) {
    const std::string usr = addHostOnFullDisk();
    if (usr.empty()) {
        GTEST_SKIP() << "VELK_E2E_FULL_DISK names no small file system (full_disk_test.sh)";
    }
    // The default language's only file is larger than the whole file system (256 KiB) and is
    // copied after every base file, twice: into the English folder, then into the target.
    // Everything else is a few bytes.
    const std::string big(1024 * 1024, 'x');
    const std::string package =
        makePackage(work() + "\\pkg", {.description = kDescription,
                                       .files = {{"Libs\\a.zfb", "a block"},
                                                 {"Libs\\b.zfb", "b block"},
                                                 {"Libs\\texts.txt", "base texts"},
                                                 {"Libs\\English\\big.zfb", big}}});
    Installer app = Installer::start(package);
    app.mainWindow().button("Install").click();

    expectFailureBox(app, {target("English\\big.zfb"), target("big.zfb")});

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(readFile(target("a.zfb")), "a block");
    EXPECT_EQ(readFile(target("b.zfb")), "b block");
    EXPECT_EQ(readFile(target("texts.txt")), "base texts");
    EXPECT_EQ(readFile(target("Demo.lin")), kDescription);
    EXPECT_TRUE(folderExists(target("English")));
    removeTree(usr);
}

// Needs the small file system of full_disk_test.sh, as the test above.
TEST_F(InstallFaultsE2E, AFullDiskUpdateKeepsTheOldFileAndTheOldDescriptionByteForByte) {
    const std::string usr = addHostOnFullDisk();
    if (usr.empty()) {
        GTEST_SKIP() << "VELK_E2E_FULL_DISK names no small file system (full_disk_test.sh)";
    }
    // Version 1.0 is installed: its big.zfb takes 100 KiB of the 256. Version 2.0's big.zfb of
    // 200 KiB does not fit beside it, so it cannot replace it.
    const std::string oldDescription = "[About]\r\nName=Demo\r\nVersion=1.0\r\n"
                                       "[Dorvan]\r\nDorvan5_14=Yes\r\n";
    const std::string oldBig(100 * 1024, 'o');
    writeFile(target("Demo.lin"), oldDescription);
    writeFile(target("a.zfb"), "old a");
    writeFile(target("big.zfb"), oldBig);
    const std::string package = makePackage(
        work() + "\\pkg",
        {.description = "[About]\nName=Demo\nVersion=2.0\n[Dorvan]\nDorvan5_14=Yes\n",
         .files = {{"Libs\\a.zfb", "new a"}, {"Libs\\big.zfb", std::string(200 * 1024, 'n')}}});
    Installer app = Installer::start(package);
    app.mainWindow().button("Install").click();
    const MessageBoxView question = app.waitForMessageBox();
    EXPECT_EQ(question.text, "Library Demo 1.0 is already installed in the target directory!\r"
                             "Do you want to install the library Demo 2.0 ?");
    question.answer("&Yes");

    expectFailureBox(app, {target("big.zfb")});

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(filesIn(usr), (Names{"Demo.lin", "a.zfb", "big.zfb"})); // no temporary file
    EXPECT_TRUE(readFile(target("big.zfb")) == oldBig);
    EXPECT_EQ(readFile(target("Demo.lin")), oldDescription);
    EXPECT_EQ(readFile(target("a.zfb")), "new a");
    removeTree(usr);
}

} // namespace
} // namespace velk::e2e
