#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "app/error_report.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

struct UnattendedRun {
    const char* what;
    const char* path;                                                      // the unattended target
    std::function<void(FakeFileSystem&, TFormInstall&)> arrange = nullptr; // after start-up
    int exitCode = 0;
};

void PrintTo(const UnattendedRun& run, std::ostream* out) {
    *out << run.what;
}

class UnattendedExitCode : public InstallFixture,
                           public ::testing::WithParamInterface<UnattendedRun> {};

// A deployment tool learns from the exit code alone whether the library was installed: the
// boxes of a run that stopped early wait for someone to answer them and close the window, and
// the code must still say that nothing was installed then.
TEST_P(UnattendedExitCode, TellsWhetherAnInstallationRanToItsEnd) {
    const UnattendedRun& run = GetParam();
    fake.registry.setLocalMachine(kUnattendedKey, "Path", run.path);
    fake.registry.setLocalMachine(kUnattendedKey, "Language", ""); // keeps the path as given
    fake.registry.setLocalMachine(kUnattendedKey, "Silent", "activated");
    TFormInstall& window = start();
    if (run.arrange) {
        run.arrange(fake.files, window);
    }

    runReportingErrors(fake.boxes, [&window] { window.FormActivate(); });
    if (!window.closed()) {
        window.btExit.click();
    }

    EXPECT_EQ(window.exitCode, run.exitCode);
}

const char* const kPackageDescription = "C:\\pkg\\Libs\\demo.lin";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UnattendedExitCode,
    ::testing::Values(UnattendedRun{"every file copied", "C:\\dorvan\\usr", nullptr, 0},
                      UnattendedRun{"a failed copy", "C:\\dorvan\\usr",
                                    [](FakeFileSystem& files, TFormInstall&) {
                                        files.failCopiesTo("C:\\dorvan\\usr\\b.zlb");
                                    },
                                    1},
                      UnattendedRun{"a missing target", "C:\\missing", nullptr, 2},
                      UnattendedRun{"the package's own Libs as target", "C:\\pkg\\Libs", nullptr,
                                    2},
                      UnattendedRun{"no Libs folder", "C:\\dorvan\\usr",
                                    [](FakeFileSystem& files, TFormInstall& window) {
                                        files.addFolder("C:\\other");
                                        window.packageFolder = "C:\\other\\";
                                    },
                                    2},
                      UnattendedRun{"an invalid language name", "C:\\dorvan\\usr",
                                    [](FakeFileSystem& files, TFormInstall&) {
                                        files.addFile(kPackageDescription,
                                                      "[Languages]\nCount=1\nLang0=..\\up\n");
                                    },
                                    2},
                      UnattendedRun{"an error report", "C:\\dorvan\\usr",
                                    [](FakeFileSystem& files, TFormInstall&) {
                                        files.find(kPackageDescription)->unreadable = true;
                                    },
                                    2}));

} // namespace
} // namespace velk::testing
