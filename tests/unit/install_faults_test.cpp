// Installation when package files change or cannot be read between the moment they are listed
// and the moment they are copied: the copies that fail are reported with their target paths, the
// exit code says so, and every other file is still installed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "package/leftovers.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using Box = FakeMessageBoxes::Shown;

class InstallFaults : public InstallFixture {
  protected:
    // Deletes `source` from the package as soon as the copy of `trigger` begins, as another
    // process could after the package folder was listed.
    void deleteSourceWhenCopying(const std::string& trigger, const std::string& source) {
        fake.files.beforeCopy = [this, trigger, source](const std::string& from,
                                                        const std::string&) {
            if (FakeFileSystem::key(from) == FakeFileSystem::key(trigger)) {
                fake.files.remove(source);
            }
        };
    }
};

TEST_F(InstallFaults, SourcesThatVanishAfterListingAreReportedAndTheRestIsInstalled) {
    // b.zlb goes while a.zlb is copied; German\only-german.txt goes while German\texts.txt is
    // copied into the German folder, so the default language's copy no longer lists it.
    const std::string libs = kLibs;
    fake.files.beforeCopy = [&](const std::string& from, const std::string&) {
        if (FakeFileSystem::key(from) == FakeFileSystem::key(libs + "a.zlb")) {
            fake.files.remove(libs + "b.zlb");
        }
        if (FakeFileSystem::key(from) == FakeFileSystem::key(libs + "German\\texts.txt")) {
            fake.files.remove(libs + "German\\only-german.txt");
        }
    };
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "Library installation failed: 3 file(s) could not be "
                                 "copied.\r" +
                                     target("b.zlb") + "\r" + target("German\\only-german.txt") +
                                     "\r" + target("only-german.txt")}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_THAT(fake.files.filesIn(kTarget), ElementsAre("a.zlb", "demo.lin", "texts.txt"));
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_EQ(fake.files.content(target("texts.txt")), "german texts");
    EXPECT_THAT(fake.files.filesIn(target("English")), ElementsAre("texts.txt"));
    EXPECT_THAT(fake.files.filesIn(target("German")), ElementsAre("texts.txt"));
}

TEST_F(InstallFaults, ASourceThatVanishesInAnUnattendedRunOnlySetsTheExitCode) {
    deleteSourceWhenCopying(std::string(kLibs) + "a.zlb", std::string(kLibs) + "texts.txt");
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre());
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    // The default language still puts its texts.txt into the target.
    EXPECT_EQ(fake.files.content(target("texts.txt")), "german texts");
    EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
}

TEST_F(InstallFaults, ASourceHeldOpenByAnotherProcessFailsEachOfItsCopies) {
    // German\texts.txt is copied twice: into the German folder and, as the default language,
    // over the base texts.txt, which then keeps the base text.
    fake.files.find(std::string(kLibs) + "German\\texts.txt")->locked = true;
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                 "copied.\r" +
                                     target("German\\texts.txt") + "\r" + target("texts.txt")}));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(fake.files.content(target("texts.txt")), "base texts");
    EXPECT_THAT(fake.files.filesIn(target("German")), ElementsAre("only-german.txt"));
    EXPECT_EQ(fake.files.content(target("only-german.txt")), "german extra");
    EXPECT_EQ(fake.files.content(target("English\\texts.txt")), "english texts");
}

// What one package file, big.zlb, becomes in the target, whatever else happens: the new file, or
// the old one untouched, never a fragment and never a temporary file.
struct CopyOutcome {
    const char* name;
    const char* old; // big.zlb in the target before, or nullptr
    std::function<void(FakeFileSystem&, const std::string& target)> setUp;
    const char* expected; // big.zlb in the target after ("<missing>" for none)
    bool failed;
};

void PrintTo(const CopyOutcome& outcome, std::ostream* out) {
    *out << outcome.name;
}

class CopyOutcomes : public InstallFaults, public ::testing::WithParamInterface<CopyOutcome> {};

const char* const kBig = "new big content";

// The disk has `space` bytes left when the copy of big.zlb begins.
auto diskFullAtBig(std::uint64_t space) {
    return [space](FakeFileSystem& files, const std::string&) {
        files.beforeCopy = [&files, space](const std::string& from, const std::string&) {
            if (from.find("big.zlb") != std::string::npos) {
                files.freeBytes = space;
            }
        };
    };
}

TEST_P(CopyOutcomes, LeaveTheNewFileOrTheOldOne) {
    const CopyOutcome& row = GetParam();
    fake.files.addFile(std::string(kLibs) + "big.zlb", kBig);
    if (row.old != nullptr) {
        fake.files.addFile(target("big.zlb"), row.old);
    }
    if (row.setUp) {
        row.setUp(fake.files, target("big.zlb"));
    }
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_EQ(fake.files.content(target("big.zlb")), row.expected);
    if (row.expected == std::string(kBig)) {
        EXPECT_EQ(fake.files.find(target("big.zlb"))->attributes & kAttrReadOnly, 0u);
        EXPECT_FALSE(fake.files.find(target("big.zlb"))->link);
    }
    // No temporary file stays, but one that a row made and that cannot be deleted.
    for (const std::string& name : fake.files.filesIn(kTarget)) {
        if (isTemporaryName(name)) {
            EXPECT_EQ(fake.files.content(target(name)), "half") << name;
        }
    }
    EXPECT_EQ(window.exitCode, row.failed ? 1 : 0);
    EXPECT_TRUE(window.closed());
}

INSTANTIATE_TEST_SUITE_P(
    InstallFaults, CopyOutcomes,
    ::testing::Values(
        CopyOutcome{"NewFile", nullptr, nullptr, kBig, false},
        CopyOutcome{"ReplacedFile", "old big", nullptr, kBig, false},
        CopyOutcome{"NewFileOnAFullDisk", nullptr, diskFullAtBig(4), "<missing>", true},
        CopyOutcome{"ReplaceOnAFullDiskKeepsTheOldBytes", "old big", diskFullAtBig(4), "old big",
                    true},
        CopyOutcome{"ReplaceOfAReadOnlyFileKeepsIt", "old big",
                    [](FakeFileSystem& files, const std::string& big) {
                        files.find(big)->attributes |= kAttrReadOnly;
                    },
                    "old big", true},
        CopyOutcome{
            "ReplaceOfAFileHeldOpenKeepsIt", "old big",
            [](FakeFileSystem& files, const std::string& big) { files.find(big)->locked = true; },
            "old big", true},
        CopyOutcome{
            "ALinkIsReplacedNotWrittenThrough", "link",
            [](FakeFileSystem& files, const std::string& big) { files.find(big)->link = true; },
            kBig, false},
        CopyOutcome{"AReadOnlySourceGivesAWritableCopy", nullptr,
                    [](FakeFileSystem& files, const std::string&) {
                        files.find("C:\\pkg\\Libs\\big.zlb")->attributes |= kAttrReadOnly;
                    },
                    kBig, false},
        CopyOutcome{"AReadOnlySourceReplacesItsEarlierCopy", "old big",
                    [](FakeFileSystem& files, const std::string&) {
                        files.find("C:\\pkg\\Libs\\big.zlb")->attributes |= kAttrReadOnly;
                    },
                    kBig, false},
        CopyOutcome{"ALeftoverOfAKilledRunTakesNoNameAway", "old big",
                    [](FakeFileSystem& files, const std::string& big) {
                        const std::string leftover = big.substr(0, big.size() - 7) + "~velk1.tmp";
                        files.addFile(leftover, "half");
                        files.find(leftover)->locked = true; // cannot be deleted
                    },
                    kBig, false},
        CopyOutcome{"AReadOnlySourceOnAFullDiskLeavesNoFragment", nullptr,
                    [](FakeFileSystem& files, const std::string& big) {
                        files.find("C:\\pkg\\Libs\\big.zlb")->attributes |= kAttrReadOnly;
                        diskFullAtBig(4)(files, big);
                    },
                    "<missing>", true},
        CopyOutcome{"AReadOnlySourceOnAFullDiskKeepsTheOldBytes", "old big",
                    [](FakeFileSystem& files, const std::string& big) {
                        files.find("C:\\pkg\\Libs\\big.zlb")->attributes |= kAttrReadOnly;
                        diskFullAtBig(4)(files, big);
                    },
                    "old big", true}));

TEST_F(InstallFaults, TheDescriptionIsCopiedLastAndKeptWhereItWasWhenACopyFailed) {
    // A first installation whose copy of b.zlb fails still installs its description, last, so
    // that it can be removed.
    fake.files.failCopiesTo(target("b.zlb"));
    start().btInstall.click();
    EXPECT_EQ(form->exitCode, 1);
    EXPECT_EQ(logged("copy").back(), std::string(kDescription) + " -> " + target("demo.lin"));
    EXPECT_EQ(fake.files.content(target("demo.lin")), fake.files.content(kDescription));

    // An update whose copy of a.zlb fails keeps the installed description as it was.
    fake.files.failingCopies.clear();
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
    fake.files.find(target("a.zlb"))->attributes |= kAttrReadOnly;
    TFormInstall& window = start();
    fake.boxes.answers = {true};
    window.btInstall.click();
    EXPECT_THAT(fake.boxes.shown[1].text, HasSubstr(target("a.zlb")));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(fake.files.content(target("demo.lin")), "[About]\nName=Demo\nVersion=1.0\n");
    EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
}

TEST_F(InstallFaults, NothingIsWrittenThroughALanguageFolderThatIsALink) {
    // The target itself may be a link; a folder below it may not.
    fake.files.find(kTarget)->link = true;
    fake.files.addFolder(target("German"));
    fake.files.find(target("German"))->link = true;
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                         "copied.\r" +
                                             target("German\\texts.txt") + "\r" +
                                             target("German\\only-german.txt")}));
    for (const std::string& copy : logged("copy")) {
        EXPECT_THAT(copy, Not(HasSubstr(target("German\\")))) << copy;
    }
    EXPECT_THAT(logged("delete"), IsEmpty());
    EXPECT_EQ(fake.files.content(target("texts.txt")), "german texts");
    EXPECT_EQ(fake.files.content(target("English\\texts.txt")), "english texts");
}

TEST_F(InstallFaults, LeftoversOfAKilledRunGoButNeverAPackageFile) {
    // The package has a file of a temporary name, installed before; leftovers lie beside it and
    // in a language folder.
    fake.files.addFile(std::string(kLibs) + "~velk1.tmp", "package file");
    fake.files.addFile(target("~velk1.tmp"), "installed package file");
    fake.files.addFile(target("~VELK2.TMP"), "leftover");
    fake.files.addFile(target("English\\~velk12.tmp"), "leftover");
    fake.files.addFile(target("~velk.tmp"), "not ours");
    fake.files.addFile(target("a.zlb"), "old a");
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_EQ(window.exitCode, 0);
    EXPECT_THAT(fake.files.filesIn(kTarget),
                ElementsAre("a.zlb", "b.zlb", "demo.lin", "only-german.txt", "texts.txt",
                            "~velk.tmp", "~velk1.tmp"));
    EXPECT_EQ(fake.files.content(target("~velk1.tmp")), "package file");
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_THAT(fake.files.filesIn(target("English")), ElementsAre("texts.txt"));

    // Removal deletes a leftover too, but no file the package has, in any of its folders.
    fake.files.addFile(std::string(kLibs) + "German\\~velk3.tmp", "german package file");
    fake.files.addFile(target("~velk3.tmp"), "installed from German");
    fake.files.addFile(target("~velk4.tmp"), "leftover");
    fake.boxes.answers = {true};
    start().btRemove.click();
    EXPECT_EQ(form->exitCode, 0);
    EXPECT_THAT(fake.files.filesIn(kTarget),
                ElementsAre("only-german.txt", "~velk.tmp", "~velk3.tmp"));
}

// A package folder that exists but cannot be entered or listed to its end is one failure, named
// by its path; what was listed is still copied or deleted.
struct ListingFailure {
    const char* name;
    const char* folder; // below C:\pkg\Libs
    long afterEntries;  // -1: the folder cannot be entered at all
    bool remove;        // removal after an installation, else installation
    std::vector<std::string> failed;
    std::vector<std::string> inTarget;
};

void PrintTo(const ListingFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class ListingFailures : public InstallFaults,
                        public ::testing::WithParamInterface<ListingFailure> {};

TEST_P(ListingFailures, CountOnceAndWhatWasListedIsHandled) {
    const ListingFailure& row = GetParam();
    if (row.remove) {
        start().btInstall.click();
        ASSERT_EQ(form->exitCode, 0);
    }
    TFormInstall& window = start();
    const std::string folder = std::string(kLibs) + row.folder;
    if (row.afterEntries < 0) {
        fake.files.find(folder)->inaccessible = true;
    } else {
        fake.files.failListing(folder, static_cast<std::size_t>(row.afterEntries));
    }
    fake.boxes.answers = {true};

    if (row.remove) {
        window.btRemove.click();
    } else {
        window.btInstall.click();
    }

    std::string text = row.remove
                           ? "Library uninstallation failed: %d file(s) could not be deleted."
                           : "Library installation failed: %d file(s) could not be copied.";
    text.replace(text.find("%d"), 2, std::to_string(row.failed.size()));
    for (const std::string& path : row.failed) {
        text += "\r" + path;
    }
    ASSERT_FALSE(fake.boxes.shown.empty());
    EXPECT_EQ(fake.boxes.shown.back(), (Box{"error", text}));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(fake.files.filesIn(kTarget), row.inTarget);
}

// Libs lists ".", "..", demo.lin, a.zlb, b.zlb, texts.txt; German ".", "..", texts.txt,
// only-german.txt.
INSTANTIATE_TEST_SUITE_P(
    InstallFaults, ListingFailures,
    ::testing::Values(
        ListingFailure{"LibsPartway",
                       "",
                       4,
                       false,
                       {"C:\\pkg\\Libs"},
                       {"a.zlb", "demo.lin", "only-german.txt", "texts.txt"}},
        ListingFailure{"LanguageAtTheStart",
                       "English",
                       0,
                       false,
                       {"C:\\pkg\\Libs\\English"},
                       {"a.zlb", "b.zlb", "demo.lin", "only-german.txt", "texts.txt"}},
        ListingFailure{"DefaultLanguagePartwayIsOneFailure",
                       "German",
                       3,
                       false,
                       {"C:\\pkg\\Libs\\German"},
                       {"a.zlb", "b.zlb", "demo.lin", "texts.txt"}},
        ListingFailure{"LanguageThatCannotBeEntered",
                       "German",
                       -1,
                       false,
                       {"C:\\pkg\\Libs\\German"},
                       {"a.zlb", "b.zlb", "demo.lin", "texts.txt"}},
        ListingFailure{"RemovalLibsPartway",
                       "",
                       4,
                       true,
                       {"C:\\pkg\\Libs"},
                       {"b.zlb", "only-german.txt", "texts.txt"}},
        ListingFailure{"RemovalLibsThatCannotBeEntered",
                       "",
                       -1,
                       true,
                       {"C:\\pkg\\Libs"},
                       {"a.zlb", "b.zlb", "demo.lin", "only-german.txt", "texts.txt"}}));

} // namespace
} // namespace velk::testing
