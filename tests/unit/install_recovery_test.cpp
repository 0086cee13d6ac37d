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
#include "package/transaction.h"
#include "package/work_folder.h"
#include "tests/unit/fakes/fake_file_system.h"
#include "tests/unit/fakes/no_progress.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kLibs = "C:\\pkg\\Libs";
const char* const kTarget = "C:\\usr";

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
        removeInstalled(files, kTarget, kLibs, progress);
    } else {
        const InstallRequest request{kLibs, kTarget, "demo.lin", {"English", "German"}, "English"};
        installPlanned(files, planInstallation(request), progress);
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

// An installation reads each folder it needs once and asks for a name only where the listing
// showed one: a name that is not there is never asked for (under Wine each such question reads
// the whole folder, which made installing quadratic in a folder's size).
TEST(InstallationQuestions, AskForNoNameThatAListingDidNotShow) {
    for (const bool installedBefore : {false, true}) {
        SCOPED_TRACE(installedBefore ? "update" : "first installation");
        FakeFileSystem files;
        makePackageAndTarget(files, KilledRun{"", installedBefore, false, false});
        files.namesMissed = 0;
        runOnce(files, KilledRun{"", installedBefore, false, false});
        EXPECT_EQ(files.content(std::string(kTarget) + "\\a.zlb"), "a 2");
        EXPECT_EQ(files.namesMissed, 0u);
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
    const WorkOutcome second = installPlanned(files, planInstallation(request), progress);
    EXPECT_TRUE(second.busy);
    EXPECT_TRUE(second.failures.empty());
    EXPECT_TRUE(files.snapshot(kTarget) == before);

    first.reset(); // ended without cleaning up, as a killed run
    const WorkFolder::Earlier afterKill = WorkFolder::findIn(files, kTarget);
    EXPECT_EQ(afterKill.interrupted.size(), 1u);
    EXPECT_THAT(afterKill.busy, IsEmpty());
}

// What a folder named as a work folder holds decides whether it is taken up: only what this
// program could have left. Whatever planted the others, the run changes nothing anywhere.
TEST(FoundWorkFolders, AreTakenUpOnlyWhenThisProgramCouldHaveLeftThem) {
    const std::string work = std::string(kTarget) + "\\~VelkInstall.work";
    const std::string head = "VelkInstall journal 1\nfolder\t\nfolder\tEnglish\n";
    const auto journal = [&](const std::string& lines) {
        return
            [&, lines](FakeFileSystem& files) { files.addFile(work + "\\journal", head + lines); };
    };
    struct Row {
        const char* name;
        std::function<void(FakeFileSystem&)> plant;
        bool takenUp;
    };
    const std::vector<Row> rows = {
        {"a journal as the program writes it",
         [&](FakeFileSystem& files) {
             files.addFolder(work + "\\0");
             files.addFolder(work + "\\f0");
             journal("add\t0\ta.zlb\t0\\0\nremove\t0\tb.zlb\t0\\1\nnew-folder\t1\t\tf0\n"
                     "attributes\t0\ta.zlb\t0>2\nend\t4\n")(files);
         },
         true},
        {"more file changes than its slot folders hold", journal("add\t0\ta.zlb\t0\\0\nend\t1\n"),
         false},
        {"a slot past the last of its slot folder", journal("add\t0\ta.zlb\t0\\128\nend\t1\n"),
         false},
        {"more attribute changes than the target has entries", journal([] {
             std::string lines;
             for (int i = 0; i < 9; ++i) {
                 lines += "attributes\t0\ta.zlb\t0>2\n";
             }
             return lines + "end\t9\n";
         }()),
         false},
        {"an attribute change that sets what is no kept attribute",
         journal("attributes\t0\ta.zlb\t0>16\nend\t1\n"), false},
        {"a journal of another user",
         [&](FakeFileSystem& files) {
             journal("end\t0\n")(files);
             files.find(work + "\\journal")->owner = FileSystem::Owner::Other;
         },
         false},
        {"a journal with a second name",
         [&](FakeFileSystem& files) {
             journal("end\t0\n")(files);
             files.addFile("C:\\elsewhere.txt").contentId =
                 files.find(work + "\\journal")->contentId;
         },
         false},
        {"no journal: killed before its first change", [](FakeFileSystem&) {}, true},
        {"a folder that leaves the target", journal("folder\t..\\Windows\nend\t0\n"), false},
        {"an absolute folder", journal("folder\tC:\\Windows\nend\t0\n"), false},
        {"a drive-relative folder", journal("folder\tC:Windows\nend\t0\n"), false},
        {"a first folder that is not the target",
         [&](FakeFileSystem& files) {
             files.addFile(work + "\\journal", "VelkInstall journal 1\nfolder\tEnglish\nend\t0\n");
         },
         false},
        {"a name with a separator", journal("add\t0\t..\\system.ini\t0\\0\nend\t1\n"), false},
        {"a name that is a dot", journal("remove\t0\t.\t0\\0\nend\t1\n"), false},
        {"a slot that leaves the work folder", journal("add\t0\ta.zlb\t..\\..\\a\nend\t1\n"),
         false},
        {"a slot of no form the program makes", journal("add\t0\ta.zlb\t0\\00\nend\t1\n"), false},
        {"a file's change with a folder's slot", journal("add\t0\ta.zlb\tf0\nend\t1\n"), false},
        {"the target as a new folder", journal("new-folder\t0\t\tf0\nend\t1\n"), false},
        {"counts that disagree", journal("add\t0\ta.zlb\t0\\0\nend\t2\n"), false},
        {"a journal cut short", journal("add\t0\ta.zlb\t0\\0\n"), false},
        {"a committed journal that leaves the target",
         [&](FakeFileSystem& files) {
             files.addFile(work + "\\committed", head + "remove\t0\ta\t..\\..\\x\nend\t1\n");
         },
         false},
        {"a journal too long to be read",
         [&](FakeFileSystem& files) {
             files.addFile(work + "\\journal", head).size = kMaxJournalBytes + 1;
         },
         false},
        {"a mark longer than a mark",
         [&](FakeFileSystem& files) { files.addFile(work + "\\begun", std::string(3 << 20, 'V')); },
         false},
        {"a work folder that is a link",
         [&](FakeFileSystem& files) { files.find(work)->link = true; }, false},
        {"a link inside the work folder",
         [&](FakeFileSystem& files) {
             files.addFolder(work + "\\0");
             files.find(work + "\\0")->link = true;
         },
         false},
        {"a link on the way to a folder the journal names",
         [&](FakeFileSystem& files) {
             journal("end\t0\n")(files);
             files.addFolder(std::string(kTarget) + "\\English");
             files.find(std::string(kTarget) + "\\English")->link = true;
         },
         false},
        {"another user's folder",
         [&](FakeFileSystem& files) { files.find(work)->owner = FileSystem::Owner::Other; }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeFileSystem files;
        files.addFile(std::string(kTarget) + "\\a.zlb", "another library's");
        files.addFile("C:\\Windows\\system.ini", "the system's");
        files.addFolder(work);
        files.find(work)->attributes |= 0x2; // hidden, as the program makes it
        files.addFile(work + "\\begun", "VelkInstall work folder 1\n");
        row.plant(files);
        const auto before = files.snapshot("C:\\");

        WorkFolder::Earlier earlier = WorkFolder::findIn(files, kTarget);
        EXPECT_EQ(earlier.interrupted.size(), row.takenUp ? 1u : 0u);
        EXPECT_EQ(earlier.untrusted,
                  row.takenUp ? std::vector<std::string>() : std::vector<std::string>{work});
        if (!row.takenUp) {
            EXPECT_TRUE(files.snapshot("C:\\") == before);
        }
    }
}

// A change whose slot folder is not there was never made: its undo finds the target as it was and
// counts as done, so that such a journal never stops the runs in the target.
TEST(FoundWorkFolders, AChangeWithoutItsSlotFolderWasNeverMade) {
    const std::string work = std::string(kTarget) + "\\~VelkInstall.work";
    FakeFileSystem files;
    files.addFile(std::string(kTarget) + "\\a.zlb", "the user's");
    files.addFolder(work);
    files.addFolder(work + "\\0");
    files.addFile(work + "\\begun", "VelkInstall work folder 1\n");
    files.addFile(work + "\\journal",
                  "VelkInstall journal 1\nfolder\t\nreplace\t0\ta.zlb\t7\\0\nend\t1\n");

    EXPECT_TRUE(recover(files, std::nullopt).empty());
    EXPECT_EQ(files.content(std::string(kTarget) + "\\a.zlb"), "the user's");
    EXPECT_FALSE(files.folderExists(work));
}

// Clean-up deletes a link in the work folder as a link, never what it leads to.
TEST(WorkFolderCleanUp, DeletesALinkAsALink) {
    FakeFileSystem files;
    files.addFolder(kTarget);
    FsResult made;
    std::optional<WorkFolder> work = WorkFolder::create(
        files, kTarget, [](const std::string&) { return false; }, made);
    ASSERT_TRUE(work);
    files.addFile(work->at("f0\\precious.txt"), "elsewhere");
    files.find(work->at("f0"))->link = true;
    work->remove();
    EXPECT_FALSE(files.folderExists(work->path() + "\\f0"));
    EXPECT_TRUE(files.fileExists(work->at("f0\\precious.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    InstallRecovery, KilledRuns,
    ::testing::Values(KilledRun{"FirstInstallation", false, false, false},
                      KilledRun{"Update", true, false, true},
                      KilledRun{"UpdateWhereTheVolumeHasNoHardLinks", true, false, false,
                                [](FakeFileSystem& files) { files.hardLinks = false; }},
                      // Files left in place whose attributes change, a change of the journal.
                      KilledRun{"UpdateThatKeepsFilesAndChangesTheirAttributes", true, false, true,
                                [](FakeFileSystem& files) {
                                    files.addFile(std::string(kLibs) + "\\c.zlb", "c", kAttrHidden);
                                    files.addFile(std::string(kTarget) + "\\c.zlb", "c",
                                                  kAttrReadOnly);
                                    files.addFile(std::string(kTarget) + "\\b.zlb", "b 2",
                                                  kAttrSystem);
                                }},
                      KilledRun{"UpdateThatFailsAndIsUndone", true, false, false,
                                [](FakeFileSystem& files) {
                                    files.failRenamesTo(std::string(kTarget) + "\\German");
                                }},
                      KilledRun{"Removal", true, true, true}));

} // namespace
} // namespace velk::testing
