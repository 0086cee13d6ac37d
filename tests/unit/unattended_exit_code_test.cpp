#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/error_report.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::StartsWith;

struct UnattendedRun {
    const char* what;
    const char* path;                                                      // the unattended target
    std::function<void(FakeFileSystem&, TFormInstall&)> arrange = nullptr; // after start-up
    int exitCode = 0;
    // With nobody at the desktop: the log line that tells why the run ended as it did.
    const char* logged = nullptr;
    std::function<void(FakeRegistry&)> key = nullptr; // more settings, before start-up
    int exitCodeUnwatched = -1;                       // -1: exitCode
    std::vector<std::string> arguments{};             // the command line
    // What the user does by hand in the window the run left open.
    std::function<void(TFormInstall&)> byHand = nullptr;
};

void PrintTo(const UnattendedRun& run, std::ostream* out) {
    *out << run.what;
}

class UnattendedExitCode : public InstallFixture,
                           public ::testing::WithParamInterface<UnattendedRun> {
  protected:
    // Starts the program with the run's settings and lets the first activation run.
    TFormInstall& runUnattended() {
        const UnattendedRun& run = GetParam();
        fake.registry.setLocalMachine(kUnattendedKey, "Path", run.path);
        fake.registry.setLocalMachine(kUnattendedKey, "Language", ""); // keeps the path as given
        fake.registry.setLocalMachine(kUnattendedKey, "Silent", "activated");
        if (run.key) {
            run.key(fake.registry);
        }
        form = std::make_unique<TFormInstall>(fake.platform, run.arguments);
        if (run.arrange) {
            run.arrange(fake.files, *form);
        }
        if (!form->closed()) {
            runReportingErrors(form->platform().boxes, [this] { form->FormActivate(); });
        }
        return *form;
    }
};

// A deployment tool learns from the exit code alone whether the library was installed: the
// boxes of a run that stopped early wait for someone to answer them and close the window, and
// the code must still say that nothing was installed then.
TEST_P(UnattendedExitCode, TellsWhetherAnInstallationRanToItsEnd) {
    TFormInstall& window = runUnattended();
    if (GetParam().byHand && !window.closed()) {
        GetParam().byHand(window);
    }
    if (!window.closed()) {
        window.btExit.click();
    }

    EXPECT_EQ(window.exitCode, GetParam().exitCode);
}

// Where nobody is at the desktop, nobody answers a box or closes the window: the program goes
// on as if each box were answered with OK, ends by itself, and its log says why.
TEST_P(UnattendedExitCode, EndsByItselfWithNobodyAtTheDesktop) {
    const UnattendedRun& run = GetParam();
    fake.boxes.nobodyAtDesktop = true;
    TFormInstall& window = runUnattended();

    EXPECT_TRUE(window.closed());
    const int exitCode = run.exitCodeUnwatched >= 0 ? run.exitCodeUnwatched : run.exitCode;
    EXPECT_EQ(window.finish(), exitCode);
    if (run.logged != nullptr) {
        EXPECT_THAT(fake.log.lines, Contains(StartsWith(run.logged)));
    }
    ASSERT_FALSE(fake.log.lines.empty());
    EXPECT_THAT(fake.log.lines.back(), EndsWith("exit code " + std::to_string(exitCode)));
}

const char* const kPackageDescription = "C:\\pkg\\Libs\\demo.lin";

// The package's library, installed in the target.
void installed(FakeFileSystem& files, TFormInstall&) {
    files.addFile("C:\\dorvan\\usr\\demo.lin", "[About]\nName=Demo\nVersion=2.0\n");
    files.addFile("C:\\dorvan\\usr\\a.zlb", "a-package");
}

const std::vector<std::string> kQuietRemoval{"/remove", "/quiet", "/dir=C:\\dorvan\\usr"};

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UnattendedExitCode,
    ::testing::Values(
        UnattendedRun{"every file copied", "C:\\dorvan\\usr", nullptr, 0},
        UnattendedRun{"a failed copy", "C:\\dorvan\\usr",
                      [](FakeFileSystem& files, TFormInstall&) {
                          files.failCopiesTo("C:\\dorvan\\usr\\b.zlb");
                      },
                      1, "Failed: C:\\dorvan\\usr\\b.zlb"},
        UnattendedRun{"a missing target", "C:\\missing", nullptr, 2,
                      "Error box (not shown): Target Path not exist, cannot be installed."},
        // The window stays open after the box; what the user then does there is no part of the
        // installation that the run tells of.
        UnattendedRun{"a removal by hand after a run that did not install",
                      "C:\\missing",
                      installed,
                      2,
                      nullptr,
                      nullptr,
                      -1,
                      {},
                      [](TFormInstall& window) {
                          window.eInstallDir.setText("C:\\dorvan\\usr");
                          window.btRemove.click();
                          EXPECT_TRUE(window.closed()) << "the library was not removed";
                      }},
        UnattendedRun{"the package's own Libs as target", "C:\\pkg\\Libs", nullptr, 2,
                      "Error box (not shown): The target folder lies in the package's own"},
        UnattendedRun{"no Libs folder", "C:\\dorvan\\usr",
                      [](FakeFileSystem& files, TFormInstall& window) {
                          files.addFolder("C:\\other");
                          window.packageFolder = "C:\\other\\";
                      },
                      2, "Nobody at the desktop can close the window"},
        UnattendedRun{"an invalid language name", "C:\\dorvan\\usr",
                      [](FakeFileSystem& files, TFormInstall&) {
                          files.addFile(kPackageDescription,
                                        "[Languages]\nCount=1\nLang0=..\\up\n");
                      },
                      2, "Error box (not shown): Invalid language name \"..\\up\""},
        // Another installer at work in the target holds its work folder: nothing is changed.
        UnattendedRun{"another installer at work in the target", "C:\\dorvan\\usr",
                      [](FakeFileSystem& files, TFormInstall&) {
                          files
                              .addFile("C:\\dorvan\\usr\\~VelkInstall.work\\begun",
                                       "VelkInstall work folder 1\n")
                              .locked = true;
                      },
                      1618, "Error box (not shown): Another installation or removal is running"},
        UnattendedRun{"an error report", "C:\\dorvan\\usr",
                      [](FakeFileSystem& files, TFormInstall&) {
                          files.find(kPackageDescription)->unreadable = true;
                      },
                      2, "Error report box (not shown): Cannot open file"},
        // Settings left for an unattended run that cannot be read: nothing was installed, with
        // or without anybody at the desktop.
        UnattendedRun{"a value of the wrong type", "C:\\dorvan\\usr", nullptr, 2,
                      "Error report box (not shown): Invalid data type for 'Language'",
                      [](FakeRegistry& registry) {
                          registry.setLocalMachine(kUnattendedKey, "Language", "\x01",
                                                   ValueType::Dword);
                      }},
        // Without an unattended run, only a person could use the window.
        UnattendedRun{
            "no unattended run", "C:\\dorvan\\usr", nullptr, 0,
            "No unattended run, and nobody at the desktop can use the window",
            [](FakeRegistry& registry) { registry.setLocalMachine(kUnattendedKey, "Silent", ""); },
            2},
        // A deployment's command line: its removal, its answers, its mistakes. The key's Path
        // (missing) shows that the command line's /dir wins.
        UnattendedRun{"a quiet removal", "C:\\missing", installed, 0,
                      "The run ends, the library was removed", nullptr, -1, kQuietRemoval},
        UnattendedRun{"a quiet removal where no library is installed", "C:\\missing", nullptr, 2,
                      "Error box (not shown): Library is not installed in the target directory!",
                      nullptr, -1, kQuietRemoval},
        UnattendedRun{"a removal that nobody at the desktop consents to",
                      "C:\\missing",
                      installed,
                      0,
                      "Answered No",
                      nullptr,
                      2,
                      {"/remove", "/dir=C:\\dorvan\\usr"}},
        UnattendedRun{"a quiet update answers the question Yes",
                      "C:\\missing",
                      installed,
                      0,
                      "Answered Yes, as the deployment that asked for this run means it",
                      nullptr,
                      -1,
                      {"/quiet", "/dir=C:\\dorvan\\usr"}},
        UnattendedRun{"a passive run into a busy target",
                      "C:\\missing",
                      [](FakeFileSystem& files, TFormInstall&) {
                          files
                              .addFile("C:\\dorvan\\usr\\~VelkInstall.work\\begun",
                                       "VelkInstall work folder 1\n")
                              .locked = true;
                      },
                      1618,
                      "Error box (not shown): Another installation or removal is running",
                      nullptr,
                      -1,
                      {"/passive", "/remove", "/dir=C:\\dorvan\\usr"}},
        UnattendedRun{"a bad command line",
                      "C:\\dorvan\\usr",
                      nullptr,
                      87,
                      "Error box (not shown): The command line is bad: \"/silent\" is not a switch",
                      nullptr,
                      -1,
                      {"/quiet", "/silent"}},
        UnattendedRun{"/lang= naming no language of the package",
                      "C:\\dorvan\\usr",
                      nullptr,
                      87,
                      "Error box (not shown): The command line is bad: /lang=French names no "
                      "language of the package (English, German). Nothing was done.",
                      nullptr,
                      -1,
                      {"/quiet", "/lang=French"}},
        UnattendedRun{"/?",
                      "C:\\dorvan\\usr",
                      nullptr,
                      0,
                      "Exit codes (code - meaning - what a deployment does - winget's name):",
                      nullptr,
                      -1,
                      {"/?"}}));

} // namespace
} // namespace velk::testing
