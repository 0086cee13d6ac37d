// An installation or removal killed after any one of its changes, then the next run's recovery
// (itself killed after any one of its changes, and run again): the target holds one version
// whole, and the user's files named like an installer's temporary files are as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "package/copy_plan.h"
#include "package/install_transaction.h"
#include "package/remove_transaction.h"
#include "package/work_folder.h"
#include "tests/unit/fakes/fake_file_system.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kLibs = "C:\\pkg\\Libs";
const char* const kTarget = "C:\\usr";

class NoProgress : public WorkProgress {
  public:
    void setTotal(std::size_t) override {}
    void step() override {}
};

struct KilledRun {
    const char* name;
    bool installedBefore; // version 1 in the target
    bool remove;          // removal, else installation of version 2
    bool killRecovery;    // the recovery killed too, after each of its changes
    std::function<void(FakeFileSystem&)> setUp = nullptr;
};

void PrintTo(const KilledRun& run, std::ostream* out) {
    *out << run.name;
}

void makePackageAndTarget(FakeFileSystem& files, const KilledRun& run) {
    files.addFile(std::string(kLibs) + "\\demo.lin", "version 2");
    files.addFile(std::string(kLibs) + "\\a.zlb", "a 2");
    files.addFile(std::string(kLibs) + "\\b.zlb", "b 2");
    files.addFile(std::string(kLibs) + "\\English\\texts.txt", "english 2");
    files.addFile(std::string(kLibs) + "\\German\\texts.txt", "german 2");
    files.addFolder(kTarget);
    files.addFile(std::string(kTarget) + "\\~velk7.tmp", "the user's");
    if (run.installedBefore) {
        files.addFile(std::string(kTarget) + "\\demo.lin", "version 1");
        files.addFile(std::string(kTarget) + "\\a.zlb", "a 1");
        files.addFile(std::string(kTarget) + "\\only-1.zlb", "only 1");
        files.addFile(std::string(kTarget) + "\\English\\texts.txt", "english 1");
        files.addFile(std::string(kTarget) + "\\English\\~VELK12.TMP", "the user's");
    }
    if (run.setUp) {
        run.setUp(files);
    }
}

void runOnce(FakeFileSystem& files, const KilledRun& run) {
    NoProgress progress;
    if (run.remove) {
        removeInstalled(files, kTarget, kLibs, packageFiles(files, kLibs), progress);
    } else {
        const InstallRequest request{kLibs, kTarget, "demo.lin", {"English", "German"}, "English"};
        installPlanned(files, planInstallation(files, request, std::nullopt), progress);
    }
}

// Recovers as the next run does, killed after `changes` changes when given.
FailureList recover(FakeFileSystem& files, std::optional<long> changes) {
    if (changes) {
        files.killAfter(*changes);
    }
    NoProgress progress;
    WorkFolder::Earlier earlier = WorkFolder::findIn(files, kTarget);
    EXPECT_THAT(earlier.busy, IsEmpty());
    EXPECT_THAT(earlier.untrusted, IsEmpty());
    FailureList notRestored = recoverInterruptedWork(files, kTarget, earlier.interrupted, progress);
    files.restart();
    return notRestored;
}

class KilledRuns : public ::testing::TestWithParam<KilledRun> {};

TEST_P(KilledRuns, AreFinishedOrUndoneByTheNextRun) {
    const KilledRun& run = GetParam();
    FakeFileSystem whole;
    makePackageAndTarget(whole, run);
    const auto before = whole.snapshot(kTarget);
    runOnce(whole, run);
    const auto after = whole.snapshot(kTarget);
    const long changes = whole.changes();

    for (long killed = 0; killed < changes; ++killed) {
        for (long recoveryKilled = 0;; ++recoveryKilled) {
            FakeFileSystem files;
            makePackageAndTarget(files, run);
            files.killAfter(killed);
            EXPECT_THROW(runOnce(files, run), Killed);
            files.restart();
            bool recoveryDied = false;
            try {
                recover(files,
                        run.killRecovery ? std::optional<long>(recoveryKilled) : std::nullopt);
            } catch (const Killed&) {
                files.restart();
                recoveryDied = true;
            }
            EXPECT_TRUE(recover(files, std::nullopt).empty());
            const auto state = files.snapshot(kTarget);
            EXPECT_TRUE(state == before || state == after)
                << "killed after " << killed << " changes, its recovery after " << recoveryKilled;
            if (!recoveryDied || !run.killRecovery) {
                break;
            }
        }
    }
}

// A run's work folder is its own while it works: another run's search for earlier work names it
// busy and leaves it alone, and a run that began before it had its folder stops before it
// changes anything. Once the first run is gone, its folder is earlier work like any other.
TEST(WorkInProgress, IsLeftToTheRunThatHoldsIt) {
    FakeFileSystem files;
    makePackageAndTarget(files, KilledRun{"", true, false, false});
    FsResult made;
    std::optional<WorkFolder> first = WorkFolder::create(
        files, kTarget, [](const std::string&) { return false; }, made);
    ASSERT_TRUE(first);
    const WorkFolder::Earlier whileHeld = WorkFolder::findIn(files, kTarget);
    EXPECT_THAT(whileHeld.interrupted, IsEmpty());
    EXPECT_THAT(whileHeld.busy, ElementsAre(first->path()));

    const auto before = files.snapshot(kTarget);
    NoProgress progress;
    const InstallRequest request{kLibs, kTarget, "demo.lin", {"English", "German"}, "English"};
    const WorkOutcome second =
        installPlanned(files, planInstallation(files, request, std::nullopt), progress);
    EXPECT_TRUE(second.busy);
    EXPECT_TRUE(second.failures.empty());
    EXPECT_TRUE(files.snapshot(kTarget) == before);

    first.reset(); // ended without cleaning up, as a killed run
    const WorkFolder::Earlier afterKill = WorkFolder::findIn(files, kTarget);
    EXPECT_EQ(afterKill.interrupted.size(), 1u);
    EXPECT_THAT(afterKill.busy, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    InstallRecovery, KilledRuns,
    ::testing::Values(KilledRun{"FirstInstallation", false, false, false},
                      KilledRun{"Update", true, false, true},
                      KilledRun{"UpdateWhereTheVolumeHasNoHardLinks", true, false, false,
                                [](FakeFileSystem& files) { files.hardLinks = false; }},
                      KilledRun{"UpdateThatFailsAndIsUndone", true, false, false,
                                [](FakeFileSystem& files) {
                                    files.failRenamesTo(std::string(kTarget) + "\\German");
                                }},
                      KilledRun{"Removal", true, true, true}));

} // namespace
} // namespace velk::testing
