// Files in use before the first change of an installation or removal: a lock that passes is
// waited for by the file system; a file that stays held is named with the programs that hold it,
// and the user retries or cancels, or, with nobody to ask, the run waits for it and then stops
// with exit code 4. Either way nothing is changed until the files are let go.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/passing_lock.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class FilesInUseTest : public InstallFixture {
  protected:
    // Version 1.0 installed: demo.lin, a.zlb and b.zlb, which the suite holds open.
    void installedAndHeld() {
        fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
        fake.files.addFile(target("a.zlb"), "old a").locked = true;
        fake.files.addFile(target("b.zlb"), "old b").locked = true;
        fake.inUse.heldBy(target("a.zlb"), {{"Dorvan Suite", 4711}});
        fake.inUse.heldBy(target("b.zlb"), {{"Dorvan Suite", 4711}, {"", 815}});
    }
    void letGo() {
        fake.files.find(target("a.zlb"))->locked = false;
        fake.files.find(target("b.zlb"))->locked = false;
    }
};

const char* const kHeldText = "Files of the library are in use by Dorvan Suite:\r"
                              "C:\\dorvan\\usr\\a.zlb\rC:\\dorvan\\usr\\b.zlb\r"
                              "Close them in the programs that hold them, then choose Retry. "
                              "Cancel stops, and nothing is changed.";

// Somebody at the desktop is asked about the files in use until they are let go (Retry) or the
// user stops (Cancel, Escape or the close box): a stop is the user's choice, so it changes
// nothing, says so and leaves the window open as it was before the click, the exit code that
// of what follows.
struct RetryAnswer {
    const char* name;
    bool installedBefore; // else only a.zlb lies in the target: a first installation
    bool removal;
    std::vector<bool> answers; // of the question before the work, then of each Retry box
    int letGoAtRetry;          // the files are let go when this Retry box shows; 0: never
    std::vector<std::string> boxes;
    std::string lastText; // the last box's
    bool closed;
};

void PrintTo(const RetryAnswer& row, std::ostream* out) {
    *out << row.name;
}

class RetryAnswers : public FilesInUseTest, public ::testing::WithParamInterface<RetryAnswer> {};

TEST_P(RetryAnswers, GoOnOnceTheFilesAreLetGoAndCancelChangesNothing) {
    const RetryAnswer& row = GetParam();
    if (row.installedBefore) {
        installedAndHeld();
    } else {
        fake.files.addFile(target("a.zlb"), "old a").locked = true;
        fake.inUse.heldBy(target("a.zlb"), {{"Dorvan Suite", 4711}});
    }
    const auto before = fake.files.snapshot(kTarget);
    TFormInstall& window = start();
    window.btBrowse.setEnabled(false); // the controls come back as they were, not all enabled
    fake.boxes.answers = {row.answers.begin(), row.answers.end()};
    int asked = 0;
    fake.boxes.onShow = [&] {
        if (fake.boxes.shown.back().kind == "retry" && ++asked == row.letGoAtRetry) {
            fake.files.find(target("a.zlb"))->locked = false;
            if (row.installedBefore) {
                letGo();
            }
        }
    };

    (row.removal ? window.btRemove : window.btInstall).click();

    ASSERT_EQ(boxKinds(), row.boxes);
    EXPECT_EQ(fake.boxes.shown.back().text, row.lastText);
    const std::string held = row.installedBefore
                                 ? kHeldText
                                 : "Files of the library are in use by Dorvan Suite:\r" +
                                       target("a.zlb") +
                                       "\rClose them in the programs that hold them, then choose "
                                       "Retry. Cancel stops, and nothing is changed.";
    EXPECT_EQ(fake.boxes.shown[1].text, held);
    if (row.boxes[2] == "retry") {
        EXPECT_EQ(fake.boxes.shown[2].text, "Retry found the files still in use.\r" + held);
    }
    EXPECT_EQ(window.closed(), row.closed);
    EXPECT_EQ(window.exitCode, 0);
    if (row.closed) {
        EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
        EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
        return;
    }
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
    EXPECT_EQ(window.eInstallDir.text(), kTarget);
    EXPECT_TRUE(window.btInstall.enabled());
    EXPECT_TRUE(window.btRemove.enabled());
    EXPECT_TRUE(window.eInstallDir.enabled());
    EXPECT_FALSE(window.btBrowse.enabled());
    EXPECT_EQ(window.finish(), 0); // the user exits now
}

INSTANTIATE_TEST_SUITE_P(
    FilesInUse, RetryAnswers,
    ::testing::Values(RetryAnswer{"AnUpdateRetriedUntilLetGoIsInstalledWhole",
                                  true,
                                  false,
                                  {true, true, true},
                                  2,
                                  {"confirm", "retry", "retry", "information"},
                                  "Library installation was successful.",
                                  true},
                      RetryAnswer{"CancelOfAnUpdateKeepsTheInstalledLibrary",
                                  true,
                                  false,
                                  {true, false},
                                  0,
                                  {"confirm", "retry", "information"},
                                  "Nothing was changed: the library installed before is as it was.",
                                  false},
                      RetryAnswer{"CancelAfterARetryThatFoundThemStillHeld",
                                  true,
                                  false,
                                  {true, true, false},
                                  0,
                                  {"confirm", "retry", "retry", "information"},
                                  "Nothing was changed: the library installed before is as it was.",
                                  false},
                      RetryAnswer{"CancelOfAFirstInstallationInstallsNothing",
                                  false,
                                  false,
                                  {true, false},
                                  0,
                                  {"confirm", "retry", "information"},
                                  "Nothing was installed.",
                                  false},
                      RetryAnswer{"CancelOfARemovalRemovesNothing",
                                  true,
                                  true,
                                  {true, false},
                                  0,
                                  {"confirm", "retry", "information"},
                                  "Nothing was removed.",
                                  false}));

// A file that another program holds for a moment is tried again for about two seconds; no other
// failure is.
struct PassingLock {
    const char* name;
    std::function<void(FakeFileSystem&)> setUp;
    bool installs;
    // Between the tries: of the file system's changes, then of the look for files in use
    // before the first change.
    std::vector<unsigned> pauses;
};

void PrintTo(const PassingLock& row, std::ostream* out) {
    *out << row.name;
}

class PassingLocks : public FilesInUseTest, public ::testing::WithParamInterface<PassingLock> {};

TEST_P(PassingLocks, AreWaitedForAndNothingElseIs) {
    const PassingLock& row = GetParam();
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
    fake.files.addFile(target("a.zlb"), "old a");
    row.setUp(fake.files);
    const auto before = fake.files.snapshot(kTarget);
    TFormInstall& window = start();

    window.btInstall.click();

    std::vector<unsigned> pauses = fake.files.pauses;
    pauses.insert(pauses.end(), fake.inUse.pauses.begin(), fake.inUse.pauses.end());
    EXPECT_EQ(pauses, row.pauses);
    EXPECT_EQ(window.exitCode, row.installs ? 0 : 1);
    if (row.installs) {
        EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
        EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
    } else {
        EXPECT_EQ(fake.files.snapshot(kTarget), before);
    }
}

const std::vector<unsigned> kAllPauses(kPassingLockPausesMs.begin(), kPassingLockPausesMs.end());

INSTANTIATE_TEST_SUITE_P(
    FilesInUse, PassingLocks,
    ::testing::Values(
        // Its second name is not tried again; the look before the first change waits for it,
        // once for all files, before anybody is asked.
        PassingLock{
            "AnInstalledFileLetGoAfterTwoTries",
            [](FakeFileSystem& files) { files.find("C:\\dorvan\\usr\\a.zlb")->heldForTries = 2; },
            true,
            {50}},
        PassingLock{
            "APackageFileLetGoAfterTwoTries",
            [](FakeFileSystem& files) { files.find("C:\\pkg\\Libs\\b.zlb")->heldForTries = 2; },
            true,
            {50, 100}},
        PassingLock{
            "APackageFileNeverLetGo",
            [](FakeFileSystem& files) { files.find("C:\\pkg\\Libs\\b.zlb")->locked = true; }, false,
            kAllPauses},
        PassingLock{"AFullDisk",
                    [](FakeFileSystem& files) {
                        files.beforeCopy = [&files](const std::string& from, const std::string&) {
                            if (from.find("b.zlb") != std::string::npos) {
                                files.freeBytes = 0;
                            }
                        };
                    },
                    false,
                    {}},
        PassingLock{"ARefusedMove",
                    [](FakeFileSystem& files) { files.failRenamesTo("C:\\dorvan\\usr\\b.zlb"); },
                    false,
                    {}}));

// Nobody to ask (nobody at the desktop, a quiet run, or the key's run, which asks nothing at any
// desktop): the files are looked at every second for as long as the bound says (60 s, or the
// unattended-install key's "WaitInUse", or /wait=, which wins); the run then stops before any
// change with exit code 4, and the log names each file and each program that holds it.
struct UnattendedWait {
    const char* name;
    const char* waitInUse; // the key's value; empty: none
    int letGoAfter;        // the files are let go after this many pauses; -1: never
    int exitCode;
    std::size_t pauses;
    // The command line; with one, somebody is at the desktop, but the run asks nobody.
    std::vector<std::string> arguments = {};
    bool atDesktop = false; // somebody is at the desktop without a command line
};

void PrintTo(const UnattendedWait& row, std::ostream* out) {
    *out << row.name;
}

class UnattendedWaits : public FilesInUseTest,
                        public ::testing::WithParamInterface<UnattendedWait> {};

TEST_P(UnattendedWaits, EndWhenTheFilesAreLetGoOrTheBoundIsReached) {
    const UnattendedWait& row = GetParam();
    installedAndHeld();
    const auto before = fake.files.snapshot(kTarget);
    fake.registry.setLocalMachine(kUnattendedKey, "Path", kTarget);
    fake.registry.setLocalMachine(kUnattendedKey, "Language", "German");
    fake.registry.setLocalMachine(kUnattendedKey, "Silent", "activated");
    if (*row.waitInUse != '\0') {
        fake.registry.setLocalMachine(kUnattendedKey, "WaitInUse", row.waitInUse);
    }
    fake.boxes.nobodyAtDesktop = row.arguments.empty() && !row.atDesktop;
    fake.inUse.onPause = [&] {
        if (static_cast<int>(fake.inUse.pauses.size()) == row.letGoAfter) {
            letGo();
        }
    };
    form = std::make_unique<TFormInstall>(fake.platform, row.arguments);
    form->FormActivate();

    EXPECT_EQ(form->finish(), row.exitCode);
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_EQ(fake.inUse.pauses, std::vector<unsigned>(row.pauses, 1000));
    if (row.exitCode == 0) {
        EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
        return;
    }
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
    EXPECT_THAT(fake.log.lines, Contains("In use: C:\\dorvan\\usr\\a.zlb"));
    EXPECT_THAT(fake.log.lines, Contains("In use: C:\\dorvan\\usr\\b.zlb"));
    EXPECT_THAT(fake.log.lines, Contains("Held by Dorvan Suite (process ID 4711)"));
    EXPECT_THAT(fake.log.lines, Contains("Held by a program (process ID 815)"));
    EXPECT_THAT(fake.log.lines, Contains("The installation stopped before its first change: 2 "
                                         "file(s) in use, nothing was changed"));
    EXPECT_EQ(fake.log.lines.back(),
              "The run ends, files in use: nothing was changed; try again when the programs "
              "that hold them have ended: exit code 4");
}

INSTANTIATE_TEST_SUITE_P(
    FilesInUse, UnattendedWaits,
    ::testing::Values(
        UnattendedWait{"NeverLetGo", "", -1, 4, 60},
        UnattendedWait{"LetGoAfterThreeSeconds", "", 3, 0, 3},
        UnattendedWait{"TheKeySetsTheBound", "5", -1, 4, 5},
        UnattendedWait{"ZeroWaitsNotAtAll", "0", -1, 4, 0},
        UnattendedWait{
            "AQuietRunWaitsForTheCommandLinesBound", "5", -1, 4, 2, {"/quiet", "/wait=2"}},
        UnattendedWait{"TheKeysRunAtTheDesktopNeverAsks", "5", -1, 4, 5, {}, true}));

} // namespace
} // namespace velk::testing
