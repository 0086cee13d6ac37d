#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "package/install_report.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class RunLogTest : public InstallFixture {
  public:
    using InstallFixture::fake;

    // Settings for an unattended run into the host suite's folder with German as the default
    // language; `log` is the "Log" value (none when empty).
    void unattended(const std::string& log = "") {
        fake.registry.setLocalMachine(kUnattendedKey, "Path", kTarget);
        fake.registry.setLocalMachine(kUnattendedKey, "Language", "German");
        fake.registry.setLocalMachine(kUnattendedKey, "Silent", "activated");
        if (!log.empty()) {
            fake.registry.setLocalMachine(kUnattendedKey, "Log", log);
        }
    }

    // Runs the program to its end as the real one runs: start-up, the first activation, the
    // end of the program; gives the exit code.
    int run() {
        form = std::make_unique<TFormInstall>(fake.platform);
        if (!form->closed()) {
            form->FormActivate();
        }
        if (!form->closed()) {
            form->btExit.click();
        }
        return form->finish();
    }
};

// What an administrator reads of a run whose installation failed in part: the settings, what
// was installed where, each failure with the system's message, the counts and the exit code.
TEST_F(RunLogTest, TellsTheWholeRunOfAFailedCopy) {
    unattended("D:\\logs\\install.log");
    fake.files.failCopiesTo(target("b.zlb"));

    EXPECT_EQ(run(), 1);

    EXPECT_EQ(fake.log.opened, "D:\\logs\\install.log");
    EXPECT_THAT(
        fake.log.lines,
        ElementsAre(
            "VelkInstall 1.0.0 starts in the package folder \"C:\\pkg\\\"",
            "Settings read from the unattended-install key HKEY_LOCAL_MACHINE\\Software\\"
            "Velk-Marden\\dorvan5\\1.4\\Installer (32-bit view): Log \"D:\\logs\\install.log\", "
            "Path \"C:\\dorvan\\usr\", Language \"German\", Silent \"activated\", WaitInUse \"\"",
            "The desktop is visible: message boxes are shown",
            "Library Demo 2.0, described in C:\\pkg\\Libs\\demo.lin",
            "Unattended installation into \"C:\\dorvan\\usr\", default language \"German\"",
            StartsWith("Failed: C:\\dorvan\\usr\\b.zlb"),
            "The installation failed: 1 failed, so every change it had made was undone",
            "The undo is complete: the target is as it was before",
            "The run ends, files failed, and what had been changed was undone: exit code 1"));
}

// A failure names the system's own message for its error, where the platform gave one (the
// program's own words for a name that Windows takes for a device, and for a link that leads out
// of the package), and the undo what it could not put back.
TEST_F(RunLogTest, AFailureNamesTheSystemsMessage) {
    RunLog log(&fake.log);
    log.start("C:\\pkg\\", true);
    WorkOutcome outcome;
    outcome.failures.add("C:\\dorvan\\usr\\a.zlb", 112);
    outcome.failures.add("C:\\pkg\\Libs\\German");
    outcome.failures.add("C:\\dorvan\\usr\\Aux.txt", 681);
    outcome.failures.add("C:\\pkg\\Libs\\English", 681);
    outcome.notRestored.add("C:\\dorvan\\usr\\b.zlb", 112);
    log.installation(outcome);
    EXPECT_THAT(
        fake.log.lines,
        ::testing::IsSupersetOf(
            {"Failed: C:\\dorvan\\usr\\a.zlb: There is not enough space on the disk "
             "(error 112)",
             "Failed: C:\\pkg\\Libs\\German",
             // Where the system's message would not say why: the program's own words.
             "Failed: C:\\dorvan\\usr\\Aux.txt: Windows takes the name \"Aux.txt\" for its "
             "device AUX: no file can have that name (error 681)",
             "Failed: C:\\pkg\\Libs\\English: The package folder holds a link that leads out of "
             "the package, which is never copied through (error 681)",
             "The installation failed: 4 failed, so every change it had made was undone",
             "Not restored: C:\\dorvan\\usr\\b.zlb: There is not enough space on the disk (error "
             "112)",
             "The undo could not restore 1 path(s)"}));
}

// The log says what happened in plain words: that there is no key, how many files an update
// copied and how many it left in place (the two add up to the package's files).
TEST_F(RunLogTest, SaysWhatHappenedInPlainWords) {
    RunLog log(&fake.log);
    log.start("C:\\pkg\\", true);
    WorkOutcome installed;
    installed.files = 15;
    log.installation(installed);
    WorkOutcome updated;
    updated.files = 15;
    updated.unchanged = 13;
    log.installation(updated);
    EXPECT_THAT(fake.log.lines,
                ElementsAre(StartsWith("VelkInstall 1.0.0 starts"),
                            "No settings from the unattended-install key HKEY_LOCAL_MACHINE\\"
                            "Software\\Velk-Marden\\dorvan5\\1.4\\Installer (32-bit view): the "
                            "key does not exist or cannot be read",
                            "The desktop is visible: message boxes are shown",
                            "The installation ran to its end: 15 file(s) copied, 0 failed",
                            "The installation ran to its end: 2 file(s) copied and 13 left in "
                            "place, since they held the package's bytes already, 0 failed"));
}

// Names and values from outside are escaped as velkcheck prints them, so that none can end a
// line and start one that reads like the log's own; the carriage returns that join a box's lines
// stay readable.
TEST_F(RunLogTest, TextFromOutsideCannotStartALine) {
    RunLog log(&fake.log);
    log.start("C:\\pkg\\", true);
    WorkOutcome outcome;
    outcome.failures.add(target(
        "a.zlb\n2024-05-02 10:31:07.520 The run ends, the library was installed: exit code 0"));
    log.installation(outcome);
    log.box("Error",
            "Library installation failed: 1 file(s) could not be copied.\r" +
                target("\x1B[2Jb.zlb\xFF"),
            false);
    EXPECT_THAT(fake.log.lines,
                ::testing::IsSupersetOf(
                    {"Failed: C:\\dorvan\\usr\\a.zlb\\x0A2024-05-02 10:31:07.520 The run ends, the "
                     "library was installed: exit code 0",
                     "Error box (not shown): Library installation failed: 1 file(s) could not be "
                     "copied. | C:\\dorvan\\usr\\\\x1B[2Jb.zlb\\xFF"}));
}

struct LogPlace {
    const char* what;
    std::function<void(RunLogTest&)> arrange;
    const char* opened; // "" for no log
};

void PrintTo(const LogPlace& place, std::ostream* out) {
    *out << place.what;
}

class WhereTheLogGoes : public RunLogTest, public ::testing::WithParamInterface<LogPlace> {};

TEST_P(WhereTheLogGoes, ByTheLogValueElseTheTemporaryFolder) {
    GetParam().arrange(*this);
    run();
    EXPECT_EQ(fake.log.opened, GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(
    Places, WhereTheLogGoes,
    ::testing::Values(LogPlace{"an interactive run writes none", [](RunLogTest&) {}, ""},
                      LogPlace{"the Log value",
                               [](RunLogTest& test) { test.unattended("E:\\run.log"); },
                               "E:\\run.log"},
                      LogPlace{"without a Log value", [](RunLogTest& test) { test.unattended(); },
                               "C:\\Temp\\VelkInstall.log"},
                      LogPlace{"a Log value that cannot be opened",
                               [](RunLogTest& test) {
                                   test.unattended("E:\\read-only\\run.log");
                                   test.fake.log.unopenable = {"E:\\read-only\\run.log"};
                               },
                               "C:\\Temp\\VelkInstall.log"},
                      LogPlace{"nobody at the desktop, no unattended run",
                               [](RunLogTest& test) { test.fake.boxes.nobodyAtDesktop = true; },
                               "C:\\Temp\\VelkInstall.log"}));

struct BrokenLog {
    const char* what;
    std::vector<std::string> unopenable;
    bool writeFails;
};

void PrintTo(const BrokenLog& log, std::ostream* out) {
    *out << log.what;
}

class ALogThatCannotBeWritten : public RunLogTest,
                                public ::testing::WithParamInterface<BrokenLog> {};

// The first row is the run with a log that works, the others must not differ from it.
TEST_P(ALogThatCannotBeWritten, ChangesNothingElse) {
    unattended("D:\\logs\\install.log");
    fake.files.failCopiesTo(target("b.zlb"));
    fake.log.unopenable = GetParam().unopenable;
    fake.log.writeFails = GetParam().writeFails;

    EXPECT_EQ(run(), 1);
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    // The failed copy undid the installation, whatever became of the log.
    EXPECT_THAT(fake.files.filesIn(kTarget), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Logs, ALogThatCannotBeWritten,
                         ::testing::Values(BrokenLog{"a log that works", {}, false},
                                           BrokenLog{"no log can be opened",
                                                     {"D:\\logs\\install.log",
                                                      "C:\\Temp\\VelkInstall.log"},
                                                     false},
                                           BrokenLog{"a full disk", {}, true}));

} // namespace
} // namespace velk::testing
