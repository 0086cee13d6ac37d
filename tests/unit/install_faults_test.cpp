// Installation when anything fails: a package file that changes or cannot be read between the
// moment it is listed and the moment it is copied, a full disk, a file in use, a folder that
// cannot be listed, a link below the target, a link in the package that leads out of it, a move
// that fails. The failures are reported with their paths, the exit code says so, and the target
// is left exactly as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using Box = FakeMessageBoxes::Shown;

const char* const kNothingInstalled = "\rNothing was installed.";
const char* const kNothingChanged =
    "\rNothing was changed: the library installed before is as it was.";

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

TEST_F(InstallFaults, SourcesThatVanishAfterListingAreReportedAndNothingIsInstalled) {
    // b.zlb goes while a.zlb is copied; German\only-german.txt goes while German\texts.txt is
    // copied into the target, as the default language's, before its folder is copied: the
    // folder, whose files were counted before the work, is named.
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

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                         "copied.\r" +
                                             target("b.zlb") + "\r" + libs + "German" +
                                             "\rThe system cannot find the file specified." +
                                             kNothingInstalled}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_THAT(fake.files.snapshot(kTarget), IsEmpty());
}

TEST_F(InstallFaults, ASourceThatVanishesInAnUnattendedRunOnlySetsTheExitCode) {
    deleteSourceWhenCopying(std::string(kLibs) + "a.zlb", std::string(kLibs) + "b.zlb");
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre());
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_THAT(fake.files.snapshot(kTarget), IsEmpty());
}

TEST_F(InstallFaults, ASourceHeldOpenByAnotherProcessFailsEachOfItsCopies) {
    // German\texts.txt is copied twice: as the default language's over the base texts.txt, and
    // into the German folder.
    fake.files.find(std::string(kLibs) + "German\\texts.txt")->locked = true;
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                 "copied.\r" +
                                     target("texts.txt") + "\r" + target("German\\texts.txt") +
                                     "\rThe process cannot access the file because it "
                                     "is being used by another process." +
                                     kNothingInstalled}));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.closed());
    EXPECT_THAT(fake.files.snapshot(kTarget), IsEmpty());
}

// An update of a library installed before (demo.lin 1.0, big.zlb, a.zlb) whatever fails: the
// target is then exactly as it was, and otherwise holds the new version.
struct Fault {
    const char* name;
    std::function<void(FakeFileSystem&, const std::string& target)> setUp;
    bool fails;
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class Faults : public InstallFaults, public ::testing::WithParamInterface<Fault> {};

const char* const kBig = "new big content";

// The disk has `space` bytes left when the copy of `name` begins.
auto diskFullAt(const std::string& name, std::uint64_t space) {
    return [name, space](FakeFileSystem& files, const std::string&) {
        files.beforeCopy = [&files, name, space](const std::string& from, const std::string&) {
            if (from.find(name) != std::string::npos) {
                files.freeBytes = space;
            }
        };
    };
}

auto onTarget(const std::string& name, std::function<void(FakeFileSystem::Node&)> change) {
    return [name, change](FakeFileSystem& files, const std::string& target) {
        change(*files.find(target + "\\" + name));
    };
}

auto onSource(const std::string& name, std::function<void(FakeFileSystem::Node&)> change) {
    return [name, change](FakeFileSystem& files, const std::string&) {
        change(*files.find("C:\\pkg\\Libs\\" + name));
    };
}

// Makes big.zlb of the package a link out of it that listings show as a plain file (Wine); with
// `installed`, the target's big.zlb holds its bytes already.
auto plainLinkOut(bool installed) {
    return [installed](FakeFileSystem& files, const std::string& target) {
        files.plainLinks = true;
        FakeFileSystem::Node& node = *files.find("C:\\pkg\\Libs\\big.zlb");
        node.link = true;
        node.leadsTo = "C:\\secret\\big.zlb";
        if (installed) {
            files.find(target + "\\big.zlb")->content = node.content;
        }
    };
}

TEST_P(Faults, LeaveTheTargetAsItWasOrInstallTheNewVersion) {
    const Fault& row = GetParam();
    fake.files.addFile(std::string(kLibs) + "big.zlb", kBig);
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
    fake.files.addFile(target("big.zlb"), "old big");
    fake.files.addFile(target("a.zlb"), "old a");
    fake.files.addFile(target("German\\texts.txt"), "old german");
    fake.files.addFile(target("~velk7.tmp"), "the user's");
    if (row.setUp) {
        row.setUp(fake.files, kTarget);
    }
    // A file in use is met by the change itself here (it may be taken after the look for files
    // in use); that look, and the user's answers to it, are tested with the files in use.
    fake.platform.inUse = nullptr;
    const auto before = fake.files.snapshot(kTarget);
    TFormInstall& window = start(); // the update's question answered Yes, Retry with Cancel

    window.btInstall.click();

    EXPECT_EQ(window.exitCode, row.fails ? 1 : 0);
    EXPECT_TRUE(window.closed());
    if (row.fails) {
        EXPECT_EQ(fake.files.snapshot(kTarget), before);
        return;
    }
    EXPECT_EQ(fake.files.content(target("big.zlb")), kBig);
    EXPECT_EQ(fake.files.find(target("big.zlb"))->attributes & kAttrReadOnly, 0u);
    EXPECT_FALSE(fake.files.find(target("big.zlb"))->link);
    EXPECT_EQ(fake.files.content(target("German\\texts.txt")), "german texts");
    EXPECT_EQ(fake.files.content(target("~velk7.tmp")), "the user's");
    EXPECT_THAT(fake.files.foldersIn(kTarget), ElementsAre("English", "German"));
}

INSTANTIATE_TEST_SUITE_P(InstallFaults, Faults,
                         ::testing::Values(
                             Fault{"Update", nullptr, false},
                             // Another user renames the target's folder away while the files
                             // are made ready, to put a link in its place: the run holds it.
                             Fault{"AFolderOfTheTargetIsKeptInPlaceWhileTheRunWorks",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.beforeCopy = [&files, target](const std::string&,
                                                                           const std::string&) {
                                           files.moveFile(target + "\\German", "C:\\away");
                                       };
                                   },
                                   false},
                             Fault{"UpdateWhereTheVolumeHasNoHardLinks",
                                   [](FakeFileSystem& files, const std::string&) {
                                       files.hardLinks = false;
                                   },
                                   false},
                             Fault{"AFileThatIsALinkIsReplacedNotWrittenThrough",
                                   onTarget("big.zlb",
                                            [](FakeFileSystem::Node& node) { node.link = true; }),
                                   false},
                             Fault{"AReadOnlySourceGivesAWritableCopy",
                                   onSource("big.zlb",
                                            [](FakeFileSystem::Node& node) {
                                                node.attributes |= kAttrReadOnly;
                                            }),
                                   false},
                             Fault{"ADiskThatFillsUpPartway", diskFullAt("big.zlb", 4), true},
                             Fault{"ADiskThatFillsUpWithAReadOnlySource",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.find("C:\\pkg\\Libs\\big.zlb")->attributes |=
                                           kAttrReadOnly;
                                       diskFullAt("big.zlb", 4)(files, target);
                                   },
                                   true},
                             Fault{"AReadOnlyFile",
                                   onTarget("big.zlb",
                                            [](FakeFileSystem::Node& node) {
                                                node.attributes |= kAttrReadOnly;
                                            }),
                                   true},
                             // Left in place as it holds the new bytes, its attributes made
                             // right, and given back its own when the update is undone.
                             Fault{"AnUnchangedReadOnlyFileWhenAnotherFileFails",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       FakeFileSystem::Node& big =
                                           *files.find(target + "\\big.zlb");
                                       big.content = kBig;
                                       big.attributes |= kAttrReadOnly;
                                       files.failRenamesTo(target + "\\only-german.txt");
                                   },
                                   true},
                             Fault{"AFileInUse",
                                   onTarget("big.zlb",
                                            [](FakeFileSystem::Node& node) { node.locked = true; }),
                                   true},
                             Fault{"AFileInUseWhereTheVolumeHasNoHardLinks",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.hardLinks = false;
                                       files.find(target + "\\big.zlb")->locked = true;
                                   },
                                   true},
                             Fault{"AFolderOfTheTargetInUse",
                                   onTarget("German\\texts.txt",
                                            [](FakeFileSystem::Node& node) { node.locked = true; }),
                                   true},
                             Fault{"ANewFolderThatCannotBeMovedIn",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.failRenamesTo(target + "\\English");
                                   },
                                   true},
                             Fault{"AMoveThatFails",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.failRenamesTo(target + "\\only-german.txt");
                                   },
                                   true},
                             Fault{"APackageListingThatFailsPartway",
                                   [](FakeFileSystem& files, const std::string&) {
                                       files.failListing("C:\\pkg\\Libs\\English", 3);
                                   },
                                   true},
                             Fault{"ATargetFolderThatCannotBeListed",
                                   [](FakeFileSystem& files, const std::string& target) {
                                       files.failListing(target + "\\German", 1);
                                   },
                                   true},
                             Fault{
                                 "ALinkBelowTheTarget",
                                 onTarget("German",
                                          [](FakeFileSystem::Node& node) { node.link = true; }),
                                 true},
                             // Nothing is copied through a link out of the package.
                             Fault{"APackageFileThatIsALinkOutOfThePackage",
                                   onSource("big.zlb",
                                            [](FakeFileSystem::Node& node) {
                                                node.link = true;
                                                node.leadsTo = "C:\\secret\\big.zlb";
                                            }),
                                   true},
                             Fault{"APackageFileListedAsWhatItLeadsTo", plainLinkOut(false), true},
                             Fault{"AnUnchangedPackageFileListedAsWhatItLeadsTo",
                                   plainLinkOut(true), true},
                             Fault{"ALanguageFolderThatIsALinkOutOfThePackage",
                                   onSource("German",
                                            [](FakeFileSystem::Node& node) {
                                                node.link = true;
                                                node.leadsTo = "C:\\secret";
                                            }),
                                   true},
                             Fault{"APackageFileThatIsALinkWithinThePackage",
                                   onSource("big.zlb",
                                            [](FakeFileSystem::Node& node) {
                                                node.link = true;
                                                node.leadsTo = "C:\\PKG\\big.zlb";
                                            }),
                                   false},
                             // Windows takes these names for devices: nothing is copied.
                             Fault{"APackageFileNamedAsADevice",
                                   [](FakeFileSystem& files, const std::string&) {
                                       files.addFile("C:\\pkg\\Libs\\German\\Con .txt", "x");
                                   },
                                   true},
                             Fault{"ALanguageNamedAsADevice",
                                   [](FakeFileSystem& files, const std::string&) {
                                       files.addFile("C:\\pkg\\Libs\\demo.lin",
                                                     "[About]\nName=Demo\nVersion=2.0\n"
                                                     "[Dorvan]\nDorvan5_14=Yes\n[Languages]\n"
                                                     "Count=3\nLang0=English\nLang1=German\n"
                                                     "Lang2=aux\nSelected=1\n");
                                       files.addFile("C:\\pkg\\Libs\\aux\\x.txt", "x");
                                   },
                                   true},
                             Fault{"APackageFileThatVanishes",
                                   [](FakeFileSystem& files, const std::string&) {
                                       files.beforeCopy = [&files](const std::string& from,
                                                                   const std::string&) {
                                           if (from.find("a.zlb") != std::string::npos) {
                                               files.remove("C:\\pkg\\Libs\\b.zlb");
                                           }
                                       };
                                   },
                                   true}));

// An update leaves a file that holds the package file's bytes already where it is: neither
// copied nor moved, only its attributes made those of a copy (never read-only).
struct Unchanged {
    const char* name;
    std::string installed; // big.zlb in the target, beside the package's kBig
    std::uint32_t installedAttributes;
    std::uint32_t packageAttributes;
    bool readByAnotherProgram;
    bool kept;
    // What else makes the installed big.zlb what it is.
    std::function<void(FakeFileSystem&, FakeFileSystem::Node&)> setUp = nullptr;
};

void PrintTo(const Unchanged& row, std::ostream* out) {
    *out << row.name;
}

class UpdateOfUnchangedFiles : public InstallFaults,
                               public ::testing::WithParamInterface<Unchanged> {};

TEST_P(UpdateOfUnchangedFiles, StayInPlaceWithTheAttributesOfACopy) {
    const Unchanged& row = GetParam();
    fake.files.addFile(std::string(kLibs) + "big.zlb", kBig, row.packageAttributes);
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
    fake.files.addFile(target("big.zlb"), row.installed, row.installedAttributes);
    fake.files.find(target("big.zlb"))->readBy = row.readByAnotherProgram;
    if (row.setUp) {
        row.setUp(fake.files, *fake.files.find(target("big.zlb")));
    }
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_EQ(window.exitCode, 0);
    EXPECT_EQ(fake.files.content(target("big.zlb")), kBig);
    EXPECT_EQ(fake.files.find(target("big.zlb"))->attributes & (kAttrReadOnly | kAttrHidden),
              row.packageAttributes & kAttrHidden);
    const bool copied =
        std::any_of(fake.files.log.begin(), fake.files.log.end(), [](const std::string& line) {
            return line.rfind("copy C:\\pkg\\Libs\\big.zlb", 0) == 0;
        });
    EXPECT_EQ(copied, !row.kept);
}

INSTANTIATE_TEST_SUITE_P(
    InstallFaults, UpdateOfUnchangedFiles,
    ::testing::Values(
        Unchanged{"SameSizeAndBytes", kBig, kAttrArchive, kAttrArchive, false, true},
        Unchanged{"SameSizeOtherBytes", "NEW big content", kAttrArchive, kAttrArchive, false,
                  false},
        Unchanged{"OtherSize", "new big content!", kAttrArchive, kAttrArchive, false, false},
        Unchanged{"ReadOnlyWithTheSameBytes", kBig, kAttrReadOnly, kAttrArchive, false, true},
        Unchanged{"HiddenWhereThePackageFileIsNot", kBig, kAttrHidden, kAttrArchive, false, true},
        Unchanged{"ReadOnlyInThePackage", kBig, kAttrArchive, kAttrReadOnly | kAttrHidden, false,
                  true},
        // Open in a program that reads it and shares reading: it could not be replaced, and need
        // not be.
        Unchanged{"ReadByAnotherProgram", kBig, kAttrArchive, kAttrArchive, true, true},
        // Only the run's own file stays: none that could be changed elsewhere, or by another user,
        // or that a program writes now (that one is in use, and replaced once it is let go).
        Unchanged{"OpenForWritingInAnotherProgram", kBig, kAttrArchive, kAttrArchive, false, false,
                  [](FakeFileSystem&, FakeFileSystem::Node& big) { big.heldForTries = 1; }},
        Unchanged{"ASecondNameOutsideTheTarget", kBig, kAttrArchive, kAttrArchive, false, false,
                  [](FakeFileSystem& files, FakeFileSystem::Node& big) {
                      const long id = big.contentId;
                      files.addFile("C:\\outside\\big.zlb", kBig).contentId = id;
                  }},
        Unchanged{"AnotherUsersFile", kBig, kAttrArchive, kAttrArchive, false, false,
                  [](FakeFileSystem&, FakeFileSystem::Node& big) {
                      big.owner = FileSystem::Owner::Other;
                  }},
        Unchanged{"ALinkThatTheListingShowsAsAFile", kBig, kAttrArchive, kAttrArchive, false, false,
                  [](FakeFileSystem& files, FakeFileSystem::Node& big) {
                      files.plainLinks = true;
                      big.link = true;
                      big.leadsTo = "C:\\outside\\big.zlb";
                      files.addFile(big.leadsTo, kBig);
                  }}));

TEST_F(InstallFaults, AnUpdateThatFailsSaysThatNothingWasChanged) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
    fake.files.addFile(target("b.zlb"), "old b");
    fake.files.find(target("b.zlb"))->locked = true;
    fake.platform.inUse = nullptr; // taken after the look for files in use
    TFormInstall& window = start();
    fake.boxes.answers = {true};

    window.btInstall.click();

    ASSERT_THAT(boxKinds(), ElementsAre("confirm", "error"));
    EXPECT_EQ(fake.boxes.shown[1].text,
              "Library installation failed: 1 file(s) could not be copied.\r" + target("b.zlb") +
                  "\rThe process cannot access the file because it is being used by another "
                  "process." +
                  kNothingChanged);
    EXPECT_EQ(window.exitCode, 1);
}

TEST_F(InstallFaults, AnUndoThatFailsNamesWhatCouldNotBeRestoredAndEndsWithExitCodeThree) {
    // Moving b.zlb in fails; meanwhile another program has opened the a.zlb just moved in, so
    // that it cannot be moved out again.
    fake.files.failRenamesTo(target("b.zlb"));
    fake.files.beforeMove = [this](const std::string&, const std::string& to) {
        if (FakeFileSystem::key(to) == FakeFileSystem::key(target("b.zlb"))) {
            fake.files.find(target("a.zlb"))->locked = true;
        }
    };
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "Library installation failed: 1 file(s) could not be "
                                         "copied.\r" +
                                             target("b.zlb") + "\rAccess is denied." +
                                             "\rUndoing the changes failed: 1 file(s) could not "
                                             "be restored.\r" +
                                             target("a.zlb")}));
    EXPECT_EQ(window.exitCode, 3);
    EXPECT_TRUE(window.closed());
    // What could be undone was: the folder of the work stays, for the next run to finish.
    EXPECT_THAT(fake.files.filesIn(kTarget), ElementsAre("a.zlb"));
    EXPECT_THAT(fake.files.foldersIn(kTarget), ElementsAre("~VelkInstall.work"));
}

class InterruptedUpdate : public InstallFaults {
  protected:
    // Version 1.0 installed, and an update to 2.0 killed once it has replaced demo.lin and a.zlb.
    void killAnUpdate() {
        fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\nVersion=1.0\n");
        fake.files.addFile(target("a.zlb"), "old a");
        before = fake.files.snapshot(kTarget);
        fake.files.beforeMove = [this](const std::string&, const std::string& to) {
            if (FakeFileSystem::key(to) == FakeFileSystem::key(target("a.zlb"))) {
                fake.files.killAfter(0);
            }
        };
        fake.boxes.answers = {true};
        EXPECT_THROW(start().btInstall.click(), Killed);
        fake.files.restart();
        fake.files.beforeMove = nullptr;
        ASSERT_EQ(fake.files.content(target("a.zlb")), "a-package");
    }

    std::map<std::string, std::string> before;
};

TEST_F(InterruptedUpdate, IsUndoneBeforeTheQuestionWhichShowsTheLibraryInstalledBefore) {
    killAnUpdate();
    fake.boxes.answers = {false};
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"confirm", "Library Demo 1.0 is already installed in the target "
                                           "directory!\rDo you want to install the library "
                                           "Demo 2.0 ?"}));
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
}

TEST_F(InterruptedUpdate, ThatCannotBeUndoneStopsTheNextRunAndNamesWhatCouldNotBeRestored) {
    killAnUpdate();
    fake.files.find(target("a.zlb"))->locked = true; // the new a.zlb, in use
    TFormInstall& window = start();

    window.btRemove.click();

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "An interrupted installation or removal could not be "
                                         "undone: 1 file(s) could not be restored.\r" +
                                             target("a.zlb")}));
    EXPECT_EQ(window.exitCode, 3);
    EXPECT_FALSE(window.closed());
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
}

TEST_F(InstallFaults, NothingIsWrittenThroughALanguageFolderThatIsALink) {
    // The target itself may be a link; a folder below it may not.
    fake.files.find(kTarget)->link = true;
    fake.files.addFolder(target("German"));
    fake.files.find(target("German"))->link = true;
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                 "copied.\r" +
                                     target("German\\texts.txt") + "\r" +
                                     target("German\\only-german.txt") + kNothingInstalled}));
    for (const char* kind : {"copy", "move", "replace", "link"}) {
        for (const std::string& change : logged(kind)) {
            EXPECT_THAT(change, Not(HasSubstr(target("German\\")))) << change;
        }
    }
    EXPECT_THAT(fake.files.filesIn(kTarget), IsEmpty());
}

TEST_F(InstallFaults, LookAlikesOfTheInstallersOwnFilesAreTheUsersAndStay) {
    // Named as temporary files of installers before, and as the installation's work folder.
    fake.files.addFile(std::string(kLibs) + "~velk1.tmp", "package file");
    fake.files.addFile(target("~velk1.tmp"), "installed package file");
    fake.files.addFile(target("~VELK2.TMP"), "the user's");
    fake.files.addFile(target("English\\~velk12.tmp"), "the user's");
    fake.files.addFile(target("~velk.tmp"), "the user's");
    fake.files.addFile(target("~VelkInstall.work\\notes.txt"), "the user's");
    TFormInstall& window = start();
    window.silentMode = true;

    window.btInstall.click();

    EXPECT_EQ(window.exitCode, 0);
    EXPECT_THAT(fake.files.filesIn(kTarget),
                ElementsAre("a.zlb", "b.zlb", "demo.lin", "only-german.txt", "texts.txt",
                            "~VELK2.TMP", "~velk.tmp", "~velk1.tmp"));
    EXPECT_EQ(fake.files.content(target("~velk1.tmp")), "package file");
    EXPECT_THAT(fake.files.filesIn(target("English")), ElementsAre("texts.txt", "~velk12.tmp"));
    EXPECT_THAT(fake.files.filesIn(target("~VelkInstall.work")), ElementsAre("notes.txt"));

    // Removal deletes the package's base files only, ~velk1.tmp among them.
    fake.files.addFile(target("~velk4.tmp"), "the user's");
    fake.boxes.answers = {true};
    start().btRemove.click();
    EXPECT_EQ(form->exitCode, 0);
    EXPECT_THAT(fake.files.filesIn(kTarget),
                ElementsAre("only-german.txt", "~VELK2.TMP", "~velk.tmp", "~velk4.tmp"));
    EXPECT_THAT(fake.files.foldersIn(kTarget),
                ElementsAre("English", "German", "~VelkInstall.work"));
}

// A package folder that exists but cannot be entered or listed to its end is one failure, named
// by its path; nothing is copied or deleted.
struct ListingFailure {
    const char* name;
    const char* folder; // below C:\pkg\Libs
    long afterEntries;  // -1: the folder cannot be entered at all
    bool remove;        // removal after an installation, else installation
    std::vector<std::string> failed;
    const char* message; // the system's, for the first failure
};

void PrintTo(const ListingFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class ListingFailures : public InstallFaults,
                        public ::testing::WithParamInterface<ListingFailure> {};

TEST_P(ListingFailures, CountOnceAndNothingIsCopiedOrDeleted) {
    const ListingFailure& row = GetParam();
    if (row.remove) {
        start().btInstall.click();
        ASSERT_EQ(form->exitCode, 0);
    }
    const auto before = fake.files.snapshot(kTarget);
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
    text += "\r" + std::string(row.message) +
            (row.remove ? "\rNothing was removed." : kNothingInstalled);
    ASSERT_FALSE(fake.boxes.shown.empty());
    EXPECT_EQ(fake.boxes.shown.back(), (Box{"error", text}));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
}

// Libs lists ".", "..", demo.lin, a.zlb, b.zlb, texts.txt; German ".", "..", texts.txt,
// only-german.txt.
const char* const kNetworkGone = "The specified network name is no longer available.";

INSTANTIATE_TEST_SUITE_P(
    InstallFaults, ListingFailures,
    ::testing::Values(
        ListingFailure{"LibsPartway", "", 4, false, {"C:\\pkg\\Libs"}, kNetworkGone},
        ListingFailure{
            "LanguageAtTheStart", "English", 0, false, {"C:\\pkg\\Libs\\English"}, kNetworkGone},
        ListingFailure{"DefaultLanguagePartwayIsOneFailure",
                       "German",
                       3,
                       false,
                       {"C:\\pkg\\Libs\\German"},
                       kNetworkGone},
        ListingFailure{"LanguageThatCannotBeEntered",
                       "German",
                       -1,
                       false,
                       {"C:\\pkg\\Libs\\German"},
                       "Access is denied."},
        ListingFailure{"RemovalLibsPartway", "", 4, true, {"C:\\pkg\\Libs"}, kNetworkGone},
        ListingFailure{"RemovalLibsThatCannotBeEntered",
                       "",
                       -1,
                       true,
                       {"C:\\pkg\\Libs"},
                       "Access is denied."}));

} // namespace
} // namespace velk::testing
