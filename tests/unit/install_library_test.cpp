#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "package/copy_plan.h"
#include "package/ini_file.h"
#include "package/package_description.h"
#include "platform/app_error.h"
#include "tests/unit/encoded_text.h"
#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using Strings = std::vector<std::string>;
using Box = FakeMessageBoxes::Shown;

const char* const kSuccess = "Library installation was successful.";
const char* const kNoTarget = "Target Path not exist, cannot be installed.";

class InstallLibrary : public InstallFixture {};

// Runs long work inline, as the window binding runs it on its thread, and looks at the window
// while the work runs: which controls that take input are enabled, and whether a close request
// closes it.
class WorkWatchingView : public FormView, public WorkProgress {
  public:
    explicit WorkWatchingView(TFormInstall& form) : form_(form) { form.bindView(this); }
    ~WorkWatchingView() override { form_.bindView(nullptr); }
    ModalResult showModal() override { return ModalResult::None; }
    void close(ModalResult) override { ++closes; }
    void runWork(const std::string& reason, const Work& work) override {
        reasons.push_back(reason);
        for (const ControlLayout& control : form_.layout().controls) {
            const bool takesInput = control.kind != ControlKind::Label &&
                                    control.kind != ControlKind::GroupBox &&
                                    control.kind != ControlKind::Picture;
            if (takesInput && control.control->enabled()) {
                enabledDuringWork.push_back(control.name);
            }
        }
        form_.btExitClick();
        closedDuringWork = form_.closed() || closes > 0;
        work(*this);
    }
    void setTotal(std::size_t value) override { total = value; }
    void step() override { ++steps; }

    Strings reasons;
    Strings enabledDuringWork;
    bool closedDuringWork = false;
    int closes = 0;
    std::size_t total = 0;
    std::size_t steps = 0;

  private:
    TFormInstall& form_;
};

// Installation and removal run their copies and deletions as long work: the window is disabled
// and cannot be closed meanwhile, the progress counts every file, and afterwards the controls
// are enabled as before and the window closes.
TEST_F(InstallLibrary, CopiesAndDeletionsRunAsLongWorkWithTheirProgress) {
    for (const char* operation : {"install", "remove"}) {
        SCOPED_TRACE(operation);
        TFormInstall& window = start();
        window.btReadme.setEnabled(false);
        WorkWatchingView view(window);
        (operation == std::string("install") ? window.btInstall : window.btRemove).click();

        const bool installing = operation == std::string("install");
        // Both first check the target folder; an installation then looks for the files that the
        // target holds already.
        const Strings reasons = installing
                                    ? Strings{"Checking the target folder",
                                              "Installing the library", "Installing the library"}
                                    : Strings{"Checking the target folder", "Removing the library"};
        EXPECT_EQ(view.reasons, reasons);
        EXPECT_THAT(view.enabledDuringWork, IsEmpty());
        EXPECT_FALSE(view.closedDuringWork);
        // Installed: 5 files made ready for the target (4 base files, the German texts.txt in
        // the place of the base one, only-german.txt), 1 for English, 2 for German; then 5
        // files and 2 new language folders moved into place. Removed: the 4 base files moved
        // out, then deleted.
        const std::size_t files = installing ? 15u : 8u;
        EXPECT_EQ(view.total, files);
        EXPECT_EQ(view.steps, files);
        EXPECT_TRUE(window.btInstall.enabled());
        EXPECT_FALSE(window.btReadme.enabled());
        EXPECT_EQ(view.closes, 1);
        EXPECT_TRUE(window.closed());
    }
}

TEST_F(InstallLibrary, CopiesBaseFilesEveryLanguageAndTheDefaultLanguageOverTheBaseFiles) {
    // Never copied: empty files, subfolders of "Libs" that are no listed language, and anything
    // below a language folder's own subfolders.
    fake.files.addFile(std::string(kLibs) + "empty.zlb", "");
    fake.files.addFile(std::string(kLibs) + "Docs\\manual.txt", "manual");
    fake.files.addFile(std::string(kLibs) + "German\\empty.txt", "");
    fake.files.addFile(std::string(kLibs) + "German\\Deep\\deep.txt", "deep");
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_THAT(fake.files.filesIn(kTarget),
                ElementsAre("a.zlb", "b.zlb", "demo.lin", "only-german.txt", "texts.txt"));
    EXPECT_EQ(fake.files.content(target("texts.txt")), "german texts");
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_THAT(fake.files.filesIn(target("English")), ElementsAre("texts.txt"));
    EXPECT_EQ(fake.files.content(target("English\\texts.txt")), "english texts");
    EXPECT_THAT(fake.files.filesIn(target("German")), ElementsAre("only-german.txt", "texts.txt"));
    EXPECT_FALSE(fake.files.has(target("Docs")));
    EXPECT_FALSE(fake.files.has(target("German\\Deep")));
    EXPECT_THAT(fake.files.foldersIn(kTarget), ElementsAre("English", "German"));
}

TEST_F(InstallLibrary, WithoutASelectedLanguageTheBaseFilesStay) {
    TFormInstall& window = start();
    window.rgLang.setItemIndex(-1);
    window.btInstall.click();
    EXPECT_EQ(fake.files.content(target("texts.txt")), "base texts");
    EXPECT_FALSE(fake.files.has(target("only-german.txt")));
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
}

TEST_F(InstallLibrary, AnInstalledLibraryIsAskedAboutOnceWithItsTitleAndYesOverwritesEverything) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old Demo\nVersion=1.1\n");
    fake.files.addFile(target("a.zlb"), "old a");
    fake.files.addFile(target("b.zlb"), "old b");
    TFormInstall& window = start();
    fake.boxes.answers = {true};

    window.btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"confirm", "Library Old Demo 1.1 is already installed in the target "
                                   "directory!\rDo you want to install the library Demo "
                                   "2.0 ?"},
                    Box{"information", kSuccess}));
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
    EXPECT_TRUE(window.closed());
}

TEST_F(InstallLibrary, NoToTheInstalledLibraryChangesNothing) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old Demo\n");
    TFormInstall& window = start();
    fake.boxes.answers = {false};

    window.btInstall.click();

    EXPECT_THAT(boxKinds(), ElementsAre("confirm"));
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("Library Old Demo 1.0.0 is already"));
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_THAT(logged("mkdir"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(InstallLibrary, AsksForEachExistingFileInEnumerationOrderAndNoStopsBeforeAnyCopy) {
    fake.files.reverseEnumeration = true;
    fake.files.addFile(target("a.zlb"), "old a");
    fake.files.addFile(target("b.zlb"), "old b");
    fake.files.addFile(target("texts.txt"), "old texts");
    TFormInstall& window = start();
    fake.boxes.answers = {true, false, true};
    // The controls stay disabled from the listing through the questions, and come back after.
    std::vector<bool> installEnabledAtBox;
    fake.boxes.onShow = [&] { installEnabledAtBox.push_back(window.btInstall.enabled()); };

    window.btInstall.click();

    const auto question = [](const std::string& name) {
        return Box{"confirm", "File " + name +
                                  " is already exists in the target directory!\rDo you want to "
                                  "continue ?"};
    };
    // Reverse enumeration: the last file made comes first.
    EXPECT_THAT(fake.boxes.shown, ElementsAre(question("texts.txt"), question("b.zlb")));
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_EQ(fake.files.content(target("texts.txt")), "old texts");
    EXPECT_FALSE(window.closed());
    EXPECT_THAT(installEnabledAtBox, ElementsAre(false, false));
    EXPECT_TRUE(window.btInstall.enabled());
}

TEST_F(InstallLibrary, YesToEveryExistingFileInstalls) {
    fake.files.addFile(target("a.zlb"), "old a");
    fake.files.addFile(target("b.zlb"), "old b");
    TFormInstall& window = start();
    fake.boxes.answers = {true, true};

    window.btInstall.click();

    EXPECT_THAT(boxKinds(), ElementsAre("confirm", "confirm", "information"));
    EXPECT_EQ(fake.files.content(target("b.zlb")), "b-package");
    EXPECT_TRUE(window.closed());
}

TEST_F(InstallLibrary, UnattendedRunOverAnInstalledLibraryAsksNothingAndCloses) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old\n");
    fake.files.addFile(target("a.zlb"), "old a");
    fake.files.addFolder("C:\\elsewhere");
    fake.registry.setLocalMachine(kUnattendedKey, "Path", "C:\\elsewhere");
    fake.registry.setLocalMachine(kUnattendedKey, "Language", "english");
    fake.registry.setLocalMachine(kUnattendedKey, "Silent", "ACTIVATED");
    TFormInstall& window = start();

    window.FormActivate();

    // Selecting English ran the location lookup, which put the host suite folder back.
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_EQ(fake.files.content(target("texts.txt")), "english texts");
    EXPECT_THAT(fake.files.filesIn("C:\\elsewhere"), IsEmpty());
}

TEST_F(InstallLibrary, UnattendedRunWithAMissingTargetReportsItAndStaysSilentAfterwards) {
    fake.registry.setLocalMachine(kUnattendedKey, "Path", "C:\\missing");
    fake.registry.setLocalMachine(kUnattendedKey, "Language", "nothing that matches");
    fake.registry.setLocalMachine(kUnattendedKey, "Silent", "activated");
    TFormInstall& window = start();

    window.FormActivate();

    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"error", kNoTarget}));
    EXPECT_FALSE(window.closed());
    EXPECT_TRUE(window.silentMode);
    EXPECT_THAT(logged("copy"), IsEmpty());

    // The user fixes the folder and installs over an existing file: still no question, no
    // success message.
    fake.files.addFile(target("a.zlb"), "old a");
    window.eInstallDir.setText(kTarget);
    window.btInstall.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"error", kNoTarget}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
}

TEST_F(InstallLibrary, TargetMustBeAnExistingFolder) {
    fake.files.addFile("C:\\dorvan\\a-file", "x");
    TFormInstall& window = start();
    for (const char* text : {"", "C:\\dorvan\\a-file", "C:\\nowhere"}) {
        fake.boxes.shown.clear();
        window.eInstallDir.setText(text);
        window.btInstall.click();
        EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"error", kNoTarget})) << text;
    }
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(InstallLibrary, APackageWithoutLibsStopsWithoutAMessage) {
    TFormInstall& window = start();
    window.packageFolder = "C:\\other\\";
    fake.files.addFolder("C:\\other");
    window.btInstall.click();
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(InstallLibrary, ATrailingBackslashIsKeptInEveryPath) {
    TFormInstall& window = start();
    window.eInstallDir.setText(std::string(kTarget) + "\\");
    window.btInstall.click();
    EXPECT_THAT(logged("move"), Contains(EndsWith(" -> C:\\dorvan\\usr\\\\a.zlb")));
    EXPECT_THAT(logged("move"), Contains(EndsWith(" -> C:\\dorvan\\usr\\\\German")));
    EXPECT_EQ(fake.files.content(target("German\\texts.txt")), "german texts");
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
}

// Windows drops trailing blanks and dots of a path's last name, so the typed folder exists; the
// names composed below it must not keep them in the middle.
TEST_F(InstallLibrary, TrailingBlanksAndDotsOfTheTargetAreDroppedFromEveryPath) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old\nVersion=1.0\n");
    TFormInstall& window = start();
    fake.boxes.answers = {true};
    window.eInstallDir.setText(std::string(kTarget) + " . ");
    window.btInstall.click();
    EXPECT_THAT(boxKinds(), ElementsAre("confirm", "information"));
    EXPECT_THAT(logged("move"), Contains(EndsWith(" -> C:\\dorvan\\usr\\a.zlb")));
    EXPECT_EQ(fake.files.content(target("German\\texts.txt")), "german texts");
}

TEST_F(InstallLibrary, EveryListedLanguageIsInstalledEvenBeyondFourAndWithoutAFolder) {
    writeDescription("[Languages]\nCount=6\nLang0=English\nLang1=German\nLang2=L2\nLang3=L3\n"
                     "Lang4=L4\nLang5=NoFolder\n");
    for (const char* language : {"L2", "L3", "L4"}) {
        fake.files.addFile(std::string(kLibs) + language + "\\" + language + ".txt", language);
    }
    TFormInstall& window = start();
    ASSERT_EQ(window.rgLang.items().size(), 4u);

    window.btInstall.click();

    for (const char* language : {"L2", "L3", "L4"}) {
        EXPECT_THAT(fake.files.filesIn(target(language)),
                    ElementsAre(std::string(language) + ".txt"));
    }
    EXPECT_TRUE(fake.files.folderExists(target("NoFolder")));
    EXPECT_THAT(fake.files.filesIn(target("NoFolder")), IsEmpty());
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
}

TEST_F(InstallLibrary, AnEmptyLanguageNameCopiesTheBaseFilesIntoTheTargetOnceMore) {
    writeDescription("[Languages]\nCount=2\nLang0=\nLang1=German\nSelected=1\n");
    TFormInstall& window = start();

    window.btInstall.click();

    // The empty language's a.zlb is the one installed, the same base file by another path.
    EXPECT_THAT(logged("copy"), Contains(HasSubstr("C:\\pkg\\Libs\\\\a.zlb -> ")));
    EXPECT_THAT(logged("copy"), Not(Contains(HasSubstr("C:\\pkg\\Libs\\a.zlb -> "))));
    EXPECT_THAT(fake.files.foldersIn(kTarget), ElementsAre("German"));
    EXPECT_EQ(fake.files.content(target("a.zlb")), "a-package");
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
}

TEST_F(InstallLibrary, WithoutLanguagesTheDefaultFolderIsTheDefaultLanguage) {
    writeDescription("");
    fake.files.addFile(std::string(kLibs) + "Default\\texts.txt", "default texts");
    TFormInstall& window = start();
    ASSERT_THAT(window.rgLang.items(), ElementsAre("Default"));

    window.btInstall.click();

    EXPECT_EQ(fake.files.content(target("texts.txt")), "default texts");
    EXPECT_FALSE(fake.files.has(target("Default")));
    EXPECT_THAT(fake.files.foldersIn(kTarget), IsEmpty());
}

TEST_F(InstallLibrary, FilesOfTwoGibibytesAndMoreAreInstalled) {
    // Sizes whose low 32 bits are zero, or negative when read as a signed 32-bit number.
    fake.files.addFile(std::string(kLibs) + "four.bin").size = 0x100000000ull;
    fake.files.addFile(std::string(kLibs) + "two.bin").size = 0x80000000ull;
    TFormInstall& window = start();
    window.btInstall.click();
    EXPECT_TRUE(fake.files.fileExists(target("four.bin")));
    EXPECT_TRUE(fake.files.fileExists(target("two.bin")));
}

TEST_F(InstallLibrary, FailedCopiesAreListedAndEndTheProgramWithExitCodeOne) {
    // A read-only texts.txt in the target cannot be replaced (by the base file, then by the
    // default language's: one place, one failure), and twelve more base files, held open by
    // another process, cannot be copied: the first ten failures are named, and the system's
    // message for the first.
    fake.files.addFile(target("texts.txt"), "read-only", kAttrReadOnly);
    std::vector<std::string> expected{target("texts.txt")};
    for (int i = 0; i < 12; ++i) {
        const std::string name = "f" + std::to_string(10 + i) + ".zlb";
        fake.files.addFile(std::string(kLibs) + name, "data").locked = true;
        expected.push_back(target(name));
    }
    const auto before = fake.files.snapshot(kTarget);
    TFormInstall& window = start();
    fake.boxes.answers = {true};

    window.btInstall.click();

    std::string text = "Library installation failed: 13 file(s) could not be copied.";
    for (int i = 0; i < 10; ++i) {
        text += "\r" + expected[i];
    }
    text += "\rand 3 more.\rAccess is denied.\rNothing was installed.";
    ASSERT_THAT(boxKinds(), ElementsAre("confirm", "error"));
    EXPECT_EQ(fake.boxes.shown[1].text, text);
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(fake.files.snapshot(kTarget), before);
}

TEST_F(InstallLibrary, AFewFailedCopiesAreAllNamedAndAFolderThatCannotBeMadeFailsItsFiles) {
    fake.files.addFile(target("English"), "a file where the folder should go");
    TFormInstall& window = start();

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(Box{"error", "Library installation failed: 1 file(s) could not be "
                                         "copied.\r" +
                                             target("English\\texts.txt") +
                                             "\rCannot create a file when that file already "
                                             "exists.\rNothing was installed."}));
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_TRUE(window.closed());
}

TEST_F(InstallLibrary, FailedCopiesInAnUnattendedRunShowNothingButSetTheExitCode) {
    fake.files.failCopiesTo(target("a.zlb"));
    TFormInstall& window = start();
    window.silentMode = true;
    window.btInstall.click();
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.exitCode, 1);
}

class InvalidLanguageName : public InstallFixture,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(InvalidLanguageName, IsRefusedBeforeAnyQuestionOrCopy) {
    const std::string name = GetParam();
    writeDescription("[Languages]\nCount=6\nLang0=English\nLang1=German\nLang2=\nLang3=x\n"
                     "Lang4=y\nLang5=" +
                     name + "\n");
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old\n");
    TFormInstall& window = start();
    window.silentMode = GetParam() == std::string("c:");

    window.btInstall.click();

    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"error", "Invalid language name \"" + name +
                                                               "\" in the package description."}));
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_THAT(logged("mkdir"), IsEmpty());
    EXPECT_FALSE(window.closed());
    EXPECT_EQ(window.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(InstallLibrary, InvalidLanguageName,
                         ::testing::Values("..", ".", "a\\b", "c:", "/x", "..\\..\\Windows", "...",
                                           ". ."));

struct ReservedEntry {
    const char* what;
    const char* language; // listed third
    const char* file;     // a package file below "Libs", or ""
    const char* reported; // below "Libs"
};

void PrintTo(const ReservedEntry& entry, std::ostream* out) {
    *out << entry.what;
}

class ReservedNames : public InstallFixture, public ::testing::WithParamInterface<ReservedEntry> {};

// A package that would make an entry of the target that Windows takes for a work folder, by its
// name as Windows makes it or by a short name, is refused before anything is copied.
TEST_P(ReservedNames, AreRefusedInEveryFormWindowsTakesThemIn) {
    const ReservedEntry& entry = GetParam();
    writeDescription("[Languages]\nCount=3\nLang0=English\nLang1=German\nLang2=" +
                     std::string(entry.language) + "\n");
    if (*entry.file != '\0') {
        fake.files.addFile(kLibs + std::string(entry.file), "planted");
    }
    start().btInstall.click();

    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "The package holds \"" + (kLibs + std::string(entry.reported)) +
                                     "\", named as the work folder of an installation "
                                     "or removal, which no package may hold: nothing was "
                                     "installed."}));
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_THAT(logged("mkdir"), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    InstallLibrary, ReservedNames,
    ::testing::Values(
        ReservedEntry{"LanguageWithATrailingDot", "~VelkInstall2.work.", "", "~VelkInstall2.work"},
        ReservedEntry{"LanguageAsAShortName", "~velki~1.wor", "", "~velki~1.wor"},
        ReservedEntry{"LanguageAsWinesShortNameWithADot", "~VEL~K3B.WOR.", "", "~VEL~K3B.WOR"},
        ReservedEntry{"BaseFileAsAShortName", "", "~velki~2.wor", "~velki~2.wor"},
        ReservedEntry{"LanguageFileAsAHashedShortName", "", "German\\~V1A2B~1.WOR",
                      "German\\~V1A2B~1.WOR"}));

struct LanguageListing {
    const char* name;
    const char* languages; // the [Languages] section
    Strings subfolders;
    std::map<std::string, int> copies; // "from folder -> to folder" and how many files
};

void PrintTo(const LanguageListing& listing, std::ostream* out) {
    *out << listing.name;
}

class DistinctLanguages : public InstallFixture,
                          public ::testing::WithParamInterface<LanguageListing> {
  protected:
    // The plan's copies as "from folder -> to folder", shortened to what follows "C:\pkg\" and
    // "C:\dorvan\", and how many files each copies.
    std::map<std::string, int> plannedCopies(const CopyPlan& plan) {
        const auto shortened = [](std::string path) {
            return path.erase(0, path.find('\\', 3) + 1);
        };
        std::map<std::string, int> copies;
        for (const FolderCopy& copy : plan.copies) {
            int& count =
                copies[shortened(copy.source) + " -> " + shortened(plan.folderPath(copy.into))];
            eachPackageFile(fake.files, plan.packageFolder, copy.source,
                            [&count](const DirEntry&) { ++count; });
        }
        return copies;
    }
};

// Every distinct name (letter case aside) is a folder of the target and copied once, where it is
// first listed; every missing key reads as "", which copies the base files into the target once
// more. The default language (the selected one) comes last, into the target.
TEST_P(DistinctLanguages, AreEachInstalledOnce) {
    writeDescription(GetParam().languages);
    TFormInstall& window = start();
    InstallRequest request{kLibs, kTarget, "demo.lin",
                           plannedLanguages(fake.files, PackageDescription::from(IniFile::read(
                                                            fake.files, kDescription))),
                           window.rgLang.items()[window.rgLang.itemIndex()]};
    request.libsFolder.pop_back(); // no trailing backslash
    const CopyPlan plan = planInstallation(request);
    EXPECT_EQ(plan.subfolders, GetParam().subfolders);
    EXPECT_EQ(plannedCopies(plan), GetParam().copies);
}

INSTANTIATE_TEST_SUITE_P(
    InstallLibrary, DistinctLanguages,
    ::testing::Values(
        LanguageListing{"Repeated",
                        "[Languages]\nCount=3\nLang0=German\nLang1=English\nLang2=German\n",
                        {"German", "English"},
                        {{"Libs -> usr", 4},
                         {"Libs\\German -> usr\\German", 2},
                         {"Libs\\English -> usr\\English", 1},
                         {"Libs\\German -> usr", 2}}},
        LanguageListing{
            "DifferingInCase",
            "[Languages]\nCount=3\nLang0=german\nLang1=GERMAN\nlang2=German\n",
            {"german"},
            {{"Libs -> usr", 4}, {"Libs\\german -> usr\\german", 2}, {"Libs\\german -> usr", 2}}},
        // Windows makes "German." and "GERMAN ." into "German": one folder, in the target and in
        // the package.
        LanguageListing{
            "DifferingByTrailingDotsAndBlanks",
            "[Languages]\nCount=3\nLang0=German.\nLang1=GERMAN .\nLang2=german\n",
            {"German"},
            {{"Libs -> usr", 4}, {"Libs\\German -> usr\\German", 2}, {"Libs\\German -> usr", 2}}},
        LanguageListing{
            "Empty",
            "[Languages]\nCount=5\nLang0=\nLang1=German\nLang3=\nLang02=x\nSelected=1\n",
            {"German"},
            {{"Libs -> usr", 4},
             {"Libs\\ -> usr", 4},
             {"Libs\\German -> usr\\German", 2},
             {"Libs\\German -> usr", 2}}},
        LanguageListing{"HugeCount",
                        "[Languages]\nCount=2147483647\nLang0=English\nLang1=German\n"
                        "Selected=1\nLang1=english\nLang2000000000=German\n",
                        {"English", "German"},
                        {{"Libs -> usr", 4},
                         {"Libs\\English -> usr\\English", 1},
                         {"Libs\\ -> usr", 4},
                         {"Libs\\German -> usr\\German", 2},
                         {"Libs\\english -> usr", 1}}}));

TEST_F(InstallLibrary, LanguageNamesAreCheckedAndInstalledAsDecoded) {
    // In UTF-16, "ќ" (U+045C) holds the byte of a backslash, which its decoded name does not.
    const std::string description = "[About]\nName=Demo\nVersion=2.0\n[Dorvan]\nDorvan5_14=Yes\n"
                                    "[Languages]\nCount=2\nLang0=ќ\nLang1=Français\n";
    fake.files.addFile(kDescription, utf16(description, false));
    fake.files.addFile(std::string(kLibs) + "ќ\\texts.txt", "kje texts");
    fake.files.addFile(std::string(kLibs) + "Français\\texts.txt", "french texts");
    start().btInstall.click();
    EXPECT_THAT(fake.boxes.shown, ElementsAre(Box{"information", kSuccess}));
    EXPECT_EQ(fake.files.content(target("ќ\\texts.txt")), "kje texts");
    EXPECT_EQ(fake.files.content(target("Français\\texts.txt")), "french texts");

    fake.files.addFile(kDescription, utf16(description + "Count=3\nLang2=..\n", true));
    start().btInstall.click();
    EXPECT_THAT(
        fake.boxes.shown,
        ElementsAre(Box{"error", "Invalid language name \"..\" in the package description."}));
    EXPECT_THAT(logged("copy"), IsEmpty());
}

TEST_F(InstallLibrary, AnInstalledDescriptionThatCannotBeOpenedEndsTheHandlerBeforeAnyCopy) {
    fake.files.addFile(target("demo.lin"), "[About]\nName=Old\n").unreadable = true;
    TFormInstall& window = start();
    EXPECT_THROW(window.btInstall.click(), AppError);
    EXPECT_THAT(fake.boxes.shown, IsEmpty());
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

TEST_F(InstallLibrary, APackageDescriptionThatCannotBeOpenedEndsTheHandlerBeforeAnyCopy) {
    TFormInstall& window = start();
    fake.files.find(kDescription)->unreadable = true;
    window.silentMode = true;
    EXPECT_THROW(window.btInstall.click(), AppError);
    EXPECT_THAT(logged("copy"), IsEmpty());
    EXPECT_FALSE(window.closed());
}

} // namespace
} // namespace velk::testing
