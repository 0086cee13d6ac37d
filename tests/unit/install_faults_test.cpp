// Installation when package files change or cannot be read between the moment they are listed
// and the moment they are copied: the copies that fail are reported with their target paths, the
// exit code says so, and every other file is still installed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;

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
        ElementsAre(Box{"error", "Library installation failed: 2 file(s) could not be "
                                 "copied.\r" +
                                     target("b.zlb") + "\r" + target("German\\only-german.txt")}));
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

} // namespace
} // namespace velk::testing
