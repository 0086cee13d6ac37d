#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/app_error.h"
#include "tests/unit/encoded_text.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Box = FakeMessageBoxes::Shown;

const char* const kRemoved = "Library uninstallation was successful.";

class RemoveLibrary : public InstallFixture {
  protected:
    // Installs the package as the Install button would, then starts the program afresh.
    TFormInstall& installThenRestart() {
        start().btInstall.click();
        EXPECT_EQ(form->exitCode, 0);
        return start();
    }

    static Box question(const std::string& title) {
        return Box{"confirm", "Library " + title +
                                  " is already installed in the target directory!\rDo you want "
                                  "to remove the library Demo 2.0 ?"};
    }
};

TEST_F(RemoveLibrary, YesDeletesTheBaseFilesAndKeepsLanguagesAndForeignFiles) {
    TFormInstall& window = installThenRestart();
    fake.files.addFile(target("someone-elses.txt"), "keep");
    fake.boxes.answers = {true};

    window.btRemove.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("Demo 2.0"), Box{"information", kRemoved}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 0);
    // The default language's own file has no base namesake and stays, as do the subfolders.
    EXPECT_THAT(fake.files.filesIn(kTarget), ElementsAre("only-german.txt", "someone-elses.txt"));
    EXPECT_THAT(fake.files.filesIn(target("English")), ElementsAre("texts.txt"));
    EXPECT_THAT(fake.files.filesIn(target("German")), ElementsAre("only-german.txt", "texts.txt"));
}

TEST_F(RemoveLibrary, NoDeletesNothing) {
    TFormInstall& window = installThenRestart();
    fake.boxes.answers = {false};

    window.btRemove.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("Demo 2.0")));
    EXPECT_THAT(logged("delete"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(RemoveLibrary, AsksAndReportsInAnUnattendedRunToo) {
    TFormInstall& window = installThenRestart();
    window.silentMode = true;
    fake.boxes.answers = {true};
    window.btRemove.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("Demo 2.0"), Box{"information", kRemoved}));
}

TEST_F(RemoveLibrary, TheTitleOfADescriptionWithoutAboutIsABlankAndTheDefaultVersion) {
    fake.files.addFile(target("demo.lin"), "[Other]\nName=x\n");
    TFormInstall& window = start();
    fake.boxes.answers = {false};
    window.btRemove.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(question(" 1.0.0")));
}

TEST_F(RemoveLibrary, TheTitleComesFromTheDecodedInstalledDescription) {
    fake.files.addFile(target("demo.lin"), utf16("[About]\nName=Демо\nVersion=1.9\n", true));
    TFormInstall& window = start();
    fake.boxes.answers = {false};
    window.btRemove.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("Демо 1.9")));
}

TEST_F(RemoveLibrary, RefusesAMissingTargetAndATargetWithoutTheLibrary) {
    TFormInstall& window = start();
    window.eInstallDir.setText("C:\\nowhere");
    window.btRemove.click();
    window.eInstallDir.setText(kTarget);
    window.btRemove.click();
    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "Target Path not exist, cannot be installed."},
                            Box{"error", "Library is not installed in the target directory!"}));
    EXPECT_THAT(logged("delete"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(RemoveLibrary, AnAlreadyMissingBaseFileIsNoFailure) {
    TFormInstall& window = installThenRestart();
    fake.files.remove(target("a.zlb"));
    fake.boxes.answers = {true};
    window.btRemove.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("Demo 2.0"), Box{"information", kRemoved}));
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_FALSE(fake.files.has(target("b.zlb")));
}

TEST_F(RemoveLibrary, FilesThatCannotBeRemovedAreListedAndNothingIsRemoved) {
    TFormInstall& window = installThenRestart();
    fake.files.find(target("a.zlb"))->attributes |= kAttrReadOnly;
    fake.files.find(target("b.zlb"))->locked = true;
    const auto before = fake.files.snapshot(kTarget);
    fake.boxes.answers = {true};

    window.btRemove.click();

    ASSERT_EQ(fake.boxes.shown.size(), 2u);
    EXPECT_EQ(fake.boxes.shown[1],
              (Box{"error", "Library uninstallation failed: 2 file(s) could not be deleted.\r" +
                                target("a.zlb") + "\r" + target("b.zlb") +
                                "\rAccess is denied.\rNothing was removed."}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
}

TEST_F(RemoveLibrary, ManyFilesThatStayAreCountedBeyondTheTenNamed) {
    for (int i = 0; i < 11; ++i) {
        const std::string name = "f" + std::to_string(10 + i) + ".zlb";
        fake.files.addFile(std::string(kLibs) + name, "data");
        fake.files.addFile(target(name), "installed", kAttrReadOnly);
    }
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\n");
    TFormInstall& window = start();
    fake.boxes.answers = {true};

    window.btRemove.click();

    std::string text = "Library uninstallation failed: 11 file(s) could not be deleted.";
    for (int i = 0; i < 10; ++i) {
        text += "\r" + target("f" + std::to_string(10 + i) + ".zlb");
    }
    text += "\rand 1 more.\rAccess is denied.\rNothing was removed.";
    ASSERT_EQ(fake.boxes.shown.size(), 2u);
    EXPECT_EQ(fake.boxes.shown[1].text, text);
    EXPECT_EQ(window.exitCode, 1);
}

TEST_F(RemoveLibrary, FilesOfTwoGibibytesAndMoreAreRemoved) {
    fake.files.addFile(std::string(kLibs) + "four.bin").size = 0x100000000ull;
    fake.files.addFile(target("four.bin"), "x");
    fake.files.addFile(target("demo.lin"), "[About]\nName=Demo\n");
    TFormInstall& window = start();
    fake.boxes.answers = {true};
    window.btRemove.click();
    EXPECT_FALSE(fake.files.has(target("four.bin")));
}

TEST_F(RemoveLibrary, AnInstalledDescriptionThatCannotBeOpenedEndsTheHandlerWithNothingDeleted) {
    TFormInstall& window = installThenRestart();
    fake.files.find(target("demo.lin"))->unreadable = true;
    EXPECT_THROW(window.btRemove.click(), AppError);
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_THAT(logged("delete"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

} // namespace
} // namespace velk::testing
