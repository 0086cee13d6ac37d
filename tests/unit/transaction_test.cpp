// The transaction as data: one change of every kind, made whole, or failing at each change in
// turn, after which every change made before it is undone and the target is as it was.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "package/transaction.h"
#include "tests/unit/fakes/fake_file_system.h"
#include "tests/unit/fakes/no_progress.h"

namespace velk::testing {
namespace {

const char* const kTarget = "C:\\usr";

struct Step {
    ChangeKind kind;
    std::size_t folder;
    std::string name;
    bool linkOld = false; // a replaced file's second name made while the new one was made ready
};

TEST(TransactionTable, EachChangeIsMadeWholeOrUndoneWithEveryOneBeforeIt) {
    const std::vector<Step> steps = {
        {ChangeKind::Add, 0, "a.zlb"},
        {ChangeKind::Replace, 0, "b.zlb", true},
        {ChangeKind::Replace, 0, "c.zlb", false},
        {ChangeKind::NewFolder, 1, ""},
        {ChangeKind::Remove, 0, "d.zlb"},
    };
    const auto makeTarget = [](FakeFileSystem& files) {
        for (const char* name : {"b.zlb", "c.zlb", "d.zlb", "user.txt"}) {
            files.addFile(std::string(kTarget) + "\\" + name, std::string(name) + " before");
        }
    };
    FakeFileSystem whole;
    makeTarget(whole);
    for (const char* name : {"a.zlb", "b.zlb", "c.zlb"}) {
        whole.addFile(std::string(kTarget) + "\\" + name, std::string(name) + " new");
    }
    whole.addFile(std::string(kTarget) + "\\English\\t.txt", "texts");
    whole.remove(std::string(kTarget) + "\\d.zlb");
    const auto after = whole.snapshot(kTarget);

    // -1: nothing fails; else the change of that index.
    for (int failing = -1; failing < static_cast<int>(steps.size()); ++failing) {
        SCOPED_TRACE("failing change " + std::to_string(failing));
        FakeFileSystem files;
        makeTarget(files);
        const auto before = files.snapshot(kTarget);
        FsResult made;
        std::optional<Transaction> transaction = Transaction::begin(
            files, kTarget, [](const std::string&) { return false; }, made);
        ASSERT_TRUE(transaction);
        WorkFolder& work = transaction->work();
        transaction->setFolders({"", "English"});
        for (const Step& step : steps) {
            Change change{step.kind, step.folder, step.name, {}};
            const std::string place = std::string(kTarget) + "\\" + step.name;
            if (step.kind == ChangeKind::NewFolder) {
                ASSERT_TRUE(work.nextFolderSlot(change.slot));
                files.addFile(work.at(change.slot) + "\\t.txt", "texts");
            } else {
                ASSERT_TRUE(work.nextFileSlot(change.slot));
                if (step.kind != ChangeKind::Remove) {
                    files.addFile(work.at(change.slot), step.name + " new");
                }
                if (step.linkOld) {
                    ASSERT_TRUE(files.linkFile(place, work.oldAt(change.slot)));
                }
            }
            if (failing == static_cast<int>(&step - steps.data())) {
                // The move that makes the change is refused, once: its undo may move there.
                files.failRenamesTo(step.kind == ChangeKind::Remove ? work.oldAt(change.slot)
                                    : step.kind == ChangeKind::NewFolder
                                        ? std::string(kTarget) + "\\English"
                                        : place,
                                    1);
            }
            transaction->add(std::move(change));
        }

        WorkOutcome outcome;
        NoProgress progress;
        const bool committed = transaction->run(outcome, progress, Transaction::AfterFailure::Stop);
        EXPECT_EQ(committed, failing < 0);
        EXPECT_EQ(outcome.failures.count(), failing < 0 ? 0u : 1u);
        EXPECT_TRUE(outcome.notRestored.empty());
        EXPECT_TRUE(files.snapshot(kTarget) == (failing < 0 ? after : before));
    }
}

} // namespace
} // namespace velk::testing
