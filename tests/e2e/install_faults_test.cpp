// End-to-end tests of installations that fail or are killed: a read-only file in the target
// folder, a package file named as a device, and a target folder on a full disk, for a first
// installation and for an update; an update killed at several moments and run again. The failed
// files are named in the error box, the program ends with exit code 1, and the target is left
// exactly as it was.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/scope_exit.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
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

    // Waits for the error box, checks it names exactly the `failed` paths, the system's message
    // for the first failure's `error` and that `nothingChanged`, and closes it.
    static void expectFailureBox(const Installer& app, const Names& failed, DWORD error,
                                 const std::string& nothingChanged) {
        expectFailureBox(app, failed, win32::systemErrorText(error), nothingChanged);
    }
    // The same, with `reason` for the first failure.
    static void expectFailureBox(const Installer& app, const Names& failed,
                                 const std::string& reason, const std::string& nothingChanged) {
        std::string text = "Library installation failed: " + std::to_string(failed.size()) +
                           " file(s) could not be copied.";
        for (const std::string& path : failed) {
            text += "\r" + path;
        }
        text += "\r" + reason + ".\r" + nothingChanged;
        const MessageBoxView box = app.waitForMessageBox();
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.text, text);
        box.answer("OK");
    }

    HostFolders host;
};

const char* const kNothingInstalled = "Nothing was installed.";
const char* const kNothingChanged =
    "Nothing was changed: the library installed before is as it was.";

TEST_F(InstallFaultsE2E, AReadOnlyFileInTheTargetIsReportedAndNothingIsCopied) {
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

    expectFailureBox(app, {target("a.zfb")}, ERROR_ACCESS_DENIED, kNothingInstalled);

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(readFile(target("a.zfb")), "old a");
    EXPECT_EQ(filesIn(host.usr), (Names{"a.zfb"}));
    EXPECT_EQ(foldersIn(host.usr), Names{});
}

// A file planted in the target with the package's bytes, as a second name of a file outside it,
// is not kept: the library gets its own copy, and the file outside keeps its bytes. (Where the
// system keeps owners, one that another user made is not kept either.)
TEST_F(InstallFaultsE2E, AFilePlantedWithThePackagesBytesIsReplacedByTheRunsOwnCopy) {
    addHost();
    const std::string package = makePackage(
        work() + "\\pkg", {.description = kDescription, .files = {{"Libs\\a.zfb", "a block"}}});
    const std::string outside = work() + "\\outside.zfb";
    writeFile(outside, "a block");
    ASSERT_TRUE(CreateHardLinkW(win32::toWide(target("a.zfb")).c_str(),
                                win32::toWide(outside).c_str(), nullptr));
    setUnattended(host.usr, "", "activated");

    Installer app = Installer::startUnwatched(package);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);
    setUnattended("", "", "");

    EXPECT_EQ(readFile(target("a.zfb")), "a block");
    EXPECT_EQ(readFile(outside), "a block");
    const win32::UniqueHandle installed(
        CreateFileW(win32::toWide(target("a.zfb")).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    ASSERT_TRUE(GetFileInformationByHandle(installed.get(), &info));
    EXPECT_EQ(info.nNumberOfLinks, 1u) << "the library's file is still the file outside";
}

// A package file that Windows takes for a device (made here by its extended path, which Windows
// takes literally) is never opened, as it would be the device: it fails as a copy does, with the
// program's own words for why, and nothing is installed.
TEST_F(InstallFaultsE2E, APackageFileNamedAsADeviceFailsAndSaysWhy) {
    addHost();
    const std::string package = makePackage(
        work() + "\\pkg",
        {.description = kDescription,
         .files = {{"Libs\\a.zfb", "a block"}, {"Libs\\English\\texts.txt", "english texts"}}});
    const std::string device = "\\\\?\\" + package + "\\Libs\\aux";
    writeFile(device, "planted");
    // Deleted by the same path, whatever the test's outcome: the next run's clean-up of the work
    // folder, by the plain path, would take it for the device.
    const auto planted = scopeExit([&device] { DeleteFileW(win32::toWide(device).c_str()); });
    Installer app = Installer::start(package);
    app.mainWindow().button("Install").click();

    expectFailureBox(
        app, {target("aux")},
        "Windows takes the name \"aux\" for its device AUX: no file can have that name",
        kNothingInstalled);

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(filesIn(host.usr), Names{});
    EXPECT_EQ(foldersIn(host.usr), Names{});
}

// Needs the small file system of full_disk_test.sh (addHostOnFullDisk); skipped without it.
TEST_F(InstallFaultsE2E, AFullDiskFailsTheCopiesOfAFileTooBigAndNothingIsInstalled) {
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

    expectFailureBox(app, {target("English\\big.zfb"), target("big.zfb")}, ERROR_DISK_FULL,
                     kNothingInstalled);

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(filesIn(usr), Names{});
    EXPECT_EQ(foldersIn(usr), Names{});
    removeTree(usr);
}

// Needs the small file system of full_disk_test.sh, as the test above.
TEST_F(InstallFaultsE2E, AFullDiskUpdateKeepsTheOldFileAndTheOldDescriptionByteForByte) {
    const std::string usr = addHostOnFullDisk();
    if (usr.empty()) {
        GTEST_SKIP() << "VELK_E2E_FULL_DISK names no small file system (full_disk_test.sh)";
    }
    // Version 1.0 is installed: its big.zfb takes 100 KiB of the 256. Version 2.0's big.zfb of
    // 200 KiB does not fit beside it, so the update cannot be made.
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

    expectFailureBox(app, {target("big.zfb")}, ERROR_DISK_FULL, kNothingChanged);

    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(filesIn(usr), (Names{"Demo.lin", "a.zfb", "big.zfb"}));
    EXPECT_EQ(foldersIn(usr), Names{}); // nothing of the work stays
    EXPECT_TRUE(readFile(target("big.zfb")) == oldBig);
    EXPECT_EQ(readFile(target("Demo.lin")), oldDescription);
    EXPECT_EQ(readFile(target("a.zfb")), "old a");
    removeTree(usr);
}

// An update killed while it makes its files ready, while it puts them in place, and while it
// deletes the old ones, then run again, unattended: the second run finishes or undoes the first
// before it does anything else, and itself fails (a package file is in use), so the target holds
// what that recovery made of it: one version whole, the old or the new.
TEST_F(InstallFaultsE2E, AnUpdateKilledAndRunAgainLeavesOneVersionWhole) {
    addHost(work() + "\\usr");
    const std::string oldDescription = "[About]\r\nName=Demo\r\nVersion=1.0\r\n";
    PackageContents contents{.description = kDescription};
    std::map<std::string, std::string> oldTree{{"Demo.lin", oldDescription},
                                               {"only-old.zfb", "old only"},
                                               {"English\\texts.txt", "old english"}};
    std::map<std::string, std::string> newTree{{"Demo.lin", kDescription},
                                               {"only-old.zfb", "old only"},
                                               {"English\\texts.txt", "new english"},
                                               {"texts.txt", "new english"}};
    for (int i = 0; i < 300; ++i) {
        const std::string name = "lib" + std::to_string(1000 + i) + ".zfb";
        contents.files["Libs\\" + name] = "new " + name;
        oldTree[name] = "old " + name;
        newTree[name] = "new " + name;
    }
    contents.files["Libs\\English\\texts.txt"] = "new english";
    const std::string package = makePackage(work() + "\\pkg", contents);
    // The tree below the target: each file's path and content.
    const auto tree = [this] {
        std::map<std::string, std::string> found;
        for (const std::string& folder : {std::string(), std::string("English\\")}) {
            for (const std::string& name : filesIn(target(folder))) {
                found[folder + name] = readFile(target(folder + name));
            }
        }
        return found;
    };
    const std::string workFolder = target("~VelkInstall.work\\");

    for (const char* moment : {"begun", "journal", "committed"}) {
        SCOPED_TRACE(moment);
        removeTree(host.usr);
        for (const auto& [path, content] : oldTree) {
            writeFile(target(path), content);
        }
        setUnattended(host.usr, "English", "activated");
        {
            Installer killed = Installer::start(package);
            waitUntil([&] { return fileExists(workFolder + moment) || !killed.running(); },
                      std::string("the update's ") + moment, kStartTimeout);
            killed.kill();
        }

        win32::UniqueHandle held(CreateFileA((package + "\\Libs\\lib1000.zfb").c_str(),
                                             GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        Installer again = Installer::start(package);
        EXPECT_EQ(again.waitForExit(Milliseconds(120000)), 1u);
        held = win32::UniqueHandle(nullptr);

        const auto left = tree();
        EXPECT_TRUE(left == oldTree || left == newTree);
        EXPECT_EQ(foldersIn(host.usr), Names{"English"});
    }
    setUnattended("", "", "");
}

} // namespace
} // namespace velk::e2e
