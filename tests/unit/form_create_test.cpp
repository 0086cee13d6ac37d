#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "tests/unit/fakes/fake_platform.h"

namespace velk {

namespace testing {
// Readable failure messages for recorded boxes.
[[maybe_unused]] static void PrintTo(const FakeMessageBoxes::Shown& box, std::ostream* out) {
    *out << box.kind << ": \"" << box.text << '"';
}
} // namespace testing

namespace {

using ::testing::ElementsAre;
using testing::FakeMessageBoxes;
using testing::FakePlatform;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::ValueType;

const std::string kUnattendedKey = "Software\\Velk-Marden\\dorvan5\\1.4\\Installer";
const std::string kNotInstalled = "Accepted Dorvan5 version is not installed.";

class StartUp : public ::testing::Test {
  protected:
    FakePlatform fake;

    void installSuite(const std::string& version) {
        const std::string key = "Software\\Velk-Marden\\dorvan5\\" + version + "\\global";
        const std::string root = "C:\\Dorvan" + version;
        fake.registry.setLocalMachine(key, "AppsDir", root + "\\Apps");
        fake.registry.setLocalMachine(key, "UsrLibDir", root + "\\Usr");
        fake.files.addFolder(root + "\\Apps");
        fake.files.addFolder(root + "\\Usr");
    }
    testing::FakeFileSystem::Node& describe(const std::string& text) {
        return fake.files.addFile("C:\\pkg\\Libs\\x.lin", text);
    }
    void unattended(const std::string& path, const std::string& language,
                    const std::string& silent) {
        fake.registry.setLocalMachine(kUnattendedKey, "Path", path);
        fake.registry.setLocalMachine(kUnattendedKey, "Language", language);
        fake.registry.setLocalMachine(kUnattendedKey, "Silent", silent);
    }
};

const char* const kPackage = "[About]\nName=Blocks\nVersion=2.1\nDistributed=Velk\nAuthor=Ann\n"
                             "[Dorvan]\nDorvan5_13=Yes\nDorvan5_14=Yes\n"
                             "[Languages]\nCount=3\nLang0=English\nLang1=German\nLang2=german\n"
                             "Selected=1\n";

// A main window whose address is known while it is being created, so that a message box that
// FormCreate shows can look at the window's state at that moment.
struct WatchedWindow {
    WatchedWindow(Platform& platform, TFormInstall*& early)
        : address(early = &form), form(platform) {}
    TFormInstall* address;
    TFormInstall form;
};

TEST_F(StartUp, WithoutDescriptionReportsBeforeDisablingAndKeepsTheLayout) {
    std::vector<bool> enabledWhenShown;
    TFormInstall* early = nullptr;
    fake.boxes.onShow = [&] {
        enabledWhenShown = {early->grLocation.enabled(), early->btInstall.enabled(),
                            early->btRemove.enabled()};
    };
    WatchedWindow window(fake.platform, early);
    TFormInstall* form = &window.form;
    EXPECT_THAT(fake.boxes.shown, ElementsAre(FakeMessageBoxes::Shown{"error", kNotInstalled}));
    EXPECT_THAT(enabledWhenShown, ElementsAre(true, true, true));
    EXPECT_FALSE(form->grLocation.enabled());
    EXPECT_FALSE(form->btInstall.enabled());
    EXPECT_FALSE(form->btRemove.enabled());
    EXPECT_TRUE(form->btExit.enabled());
    EXPECT_TRUE(form->btFileList.enabled());
    EXPECT_TRUE(form->btBrowse.enabled());

    EXPECT_THAT(form->grLocation.items(), ElementsAre("Dorvan5"));
    EXPECT_EQ(form->grLocation.itemIndex(), 0);
    EXPECT_THAT(form->rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
    EXPECT_EQ(form->rgLang.itemIndex(), -1);
    EXPECT_THAT(form->MemoInfo.lines(), ElementsAre(""));
    EXPECT_EQ(form->lLibName.text(), "");
    EXPECT_EQ(form->ImLogo.name(), "Logo");
    EXPECT_EQ(form->lLibVersion.text(), "");
    EXPECT_EQ(form->eInstallDir.text(), "");
    EXPECT_EQ(form->packageFolder, "C:\\pkg\\");
    EXPECT_FALSE(form->btReadme.enabled());
}

// The progress bar of installation and removal lies in the window on space that no control of
// the layout uses; a label sized to its text is taken to reach the right edge.
TEST_F(StartUp, TheProgressBarHidesNoControlOfTheLayout) {
    TFormInstall form(fake.platform);
    const FormLayout layout = form.layout();
    ASSERT_TRUE(layout.progressBar.has_value());
    const LayoutRect bar = *layout.progressBar;
    EXPECT_GE(bar.left, 0);
    EXPECT_GE(bar.top, 0);
    EXPECT_LE(bar.left + bar.width, layout.width);
    EXPECT_LE(bar.top + bar.height, layout.height);
    for (const ControlLayout& control : layout.controls) {
        if (control.parent != nullptr) {
            continue; // inside its frame, which is checked itself
        }
        const bool sizedToText = control.width == 0 && control.height == 0;
        const int right = sizedToText ? layout.width : control.left + control.width;
        const int bottom = control.top + (sizedToText ? 16 : control.height);
        const bool apart = bar.left + bar.width <= control.left || right <= bar.left ||
                           bar.top + bar.height <= control.top || bottom <= bar.top;
        EXPECT_TRUE(apart) << control.name;
    }
}

TEST_F(StartUp, TakesTheDescriptionOverAndProposesTheFirstLocation) {
    installSuite("1.3");
    installSuite("1.4");
    describe(kPackage);
    // Of the same name in the process's current folder: not the package's.
    fake.files.addFile("C:\\x.lin", "[About]\nName=Elsewhere\n");
    TFormInstall form(fake.platform);

    EXPECT_TRUE(fake.boxes.shown.empty());
    EXPECT_EQ(form.lLibName.text(), "Blocks");
    EXPECT_EQ(form.ImLogo.name(), "Blocks"); // read under the library's name
    EXPECT_EQ(form.lLibVersion.text(), "2.1");
    EXPECT_EQ(form.lLibDistributed.text(), "Velk");
    EXPECT_EQ(form.lLibAuthor.text(), "Ann");
    EXPECT_EQ(form.descriptionFile, "x.lin");
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5 V1.4", "Dorvan5 V1.3"));
    EXPECT_EQ(form.grLocation.itemIndex(), 0);
    EXPECT_EQ(form.rgLang.itemIndex(), 1);
    EXPECT_EQ(form.eInstallDir.text(), "C:\\Dorvan1.4\\Usr");
    EXPECT_TRUE(form.grLocation.enabled());
    EXPECT_TRUE(form.btInstall.enabled());
    EXPECT_TRUE(form.btRemove.enabled());
}

TEST_F(StartUp, NoInstalledVersionReportsWithTheDescriptionShown) {
    installSuite("1.3"); // installed, but the package accepts only 1.4
    describe("[About]\nName=Blocks\n[Dorvan]\nDorvan5_13=No\nDorvan5_14=Yes\n");
    TFormInstall form(fake.platform);

    EXPECT_THAT(fake.boxes.shown, ElementsAre(FakeMessageBoxes::Shown{"error", kNotInstalled}));
    EXPECT_EQ(form.lLibName.text(), "Blocks");
    EXPECT_TRUE(form.grLocation.items().empty());
    EXPECT_EQ(form.eInstallDir.text(), "");
    EXPECT_FALSE(form.btInstall.enabled());
}

TEST_F(StartUp, TheReadmeButtonFollowsTheReadmeFile) {
    fake.files.addFile("C:\\pkg\\LIBS\\README.TXT");
    TFormInstall withReadme(fake.platform);
    EXPECT_TRUE(withReadme.btReadme.enabled());

    fake.files.remove("C:\\pkg\\libs\\readme.txt");
    fake.files.addFolder("C:\\pkg\\libs\\readme.txt");
    TFormInstall folderOnly(fake.platform);
    EXPECT_FALSE(folderOnly.btReadme.enabled());
}

TEST_F(StartUp, TheLogoIsTakenFromTheProgramFolderByItsFileName) {
    describe("[About]\nPicture=D:\\art\\pic.ico\n");
    fake.files.addFile("D:\\art\\pic.ico");
    TFormInstall elsewhereOnly(fake.platform);
    EXPECT_EQ(elsewhereOnly.ImLogo.fileName(), "");

    fake.files.addFile("C:\\pkg\\pic.ico");
    TFormInstall inProgramFolder(fake.platform);
    EXPECT_EQ(inProgramFolder.ImLogo.fileName(), "C:\\pkg\\pic.ico");

    describe("[About]\nPicture=C:pic.WMF\n");
    fake.files.addFile("C:\\pkg\\pic.wmf");
    TFormInstall afterColon(fake.platform);
    EXPECT_EQ(afterColon.ImLogo.fileName(), "C:\\pkg\\pic.WMF");

    describe("[About]\nName=x\n");
    fake.files.addFile("C:\\pkg\\logo.bmp");
    fake.files.addFile("C:\\pkg\\Libs\\logo.bmp");
    TFormInstall byDefault(fake.platform);
    EXPECT_EQ(byDefault.ImLogo.fileName(), "C:\\pkg\\logo.bmp");
}

TEST_F(StartUp, AnUnsupportedLogoEndsStartUpThereWithTheEarlierStepsKept) {
    installSuite("1.4");
    describe("[About]\nName=Blocks\nPicture=logo.png\n[Dorvan]\nDorvan5_14=Yes\n");
    fake.files.addFile("C:\\pkg\\logo.png");
    fake.files.addFile("C:\\pkg\\Libs\\readme.txt");
    TFormInstall form(fake.platform);

    ASSERT_EQ(fake.boxes.shown.size(), 1U); // no "not installed" box either
    EXPECT_EQ(fake.boxes.shown[0].kind, "report");
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr("C:\\pkg\\logo.png"));
    EXPECT_EQ(form.ImLogo.fileName(), "");
    EXPECT_EQ(form.lLibName.text(), "Blocks");
    EXPECT_TRUE(form.btReadme.enabled());
    EXPECT_EQ(form.grLocation.itemIndex(), -1);
    EXPECT_EQ(form.eInstallDir.text(), "");
}

TEST_F(StartUp, ADescriptionThatCannotBeOpenedEndsStartUpThere) {
    installSuite("1.4");
    unattended("D:\\silent", "German", "activated");
    describe(kPackage).unreadable = true;
    // Of the same name in the process's current folder, readable: not the package's.
    fake.files.addFile("C:\\x.lin", "[About]\nName=Elsewhere\n");
    TFormInstall form(fake.platform);

    ASSERT_EQ(fake.boxes.shown.size(), 1U);
    EXPECT_EQ(fake.boxes.shown[0].kind, "report");
    EXPECT_THAT(fake.boxes.shown[0].text,
                StartsWith("Cannot open file \"C:\\pkg\\Libs\\x.lin\". "));
    EXPECT_EQ(fake.boxes.shown[0].text.back(), '.');
    // Kept: the unattended settings, the package folder and the description's name.
    EXPECT_TRUE(form.silentMode);
    EXPECT_EQ(form.silentPath, "D:\\silent");
    EXPECT_EQ(form.packageFolder, "C:\\pkg\\");
    EXPECT_EQ(form.descriptionFile, "x.lin");
    // Nothing of the description, and none of the later steps.
    EXPECT_EQ(form.libName, "");
    EXPECT_THAT(form.rgLang.items(), ElementsAre("English", "France", "German", "Italien"));
    EXPECT_THAT(form.grLocation.items(), ElementsAre("Dorvan5"));
    EXPECT_EQ(form.grLocation.itemIndex(), -1);
    EXPECT_TRUE(form.btInstall.enabled());
}

struct SilentCase {
    const char* silent;
    bool on;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const SilentCase& c) {
    return out << '"' << c.silent << '"';
}

class StartUpSilent : public StartUp, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(StartUpSilent, IsOnForActivatedInAnyLetterCaseOnly) {
    unattended("D:\\target", "German", GetParam().silent);
    TFormInstall form(fake.platform);
    EXPECT_EQ(form.silentMode, GetParam().on) << '"' << GetParam().silent << '"';
    EXPECT_EQ(form.silentPath, "D:\\target");
    EXPECT_EQ(form.silentLanguage, "German");
}

INSTANTIATE_TEST_SUITE_P(
    Values, StartUpSilent,
    ::testing::Values(SilentCase{"activated", true}, SilentCase{"ACTIVATED", true},
                      SilentCase{"AcTiVaTeD", true}, SilentCase{"activated ", false},
                      SilentCase{" activated", false}, SilentCase{"activate", false},
                      SilentCase{"", false}, SilentCase{"yes", false}));

TEST_F(StartUp, AnUnattendedKeyThatCannotBeOpenedMeansInteractive) {
    unattended("D:\\target", "German", "activated");
    fake.registry.localMachine[testing::FakeRegistry::lower(kUnattendedKey)].denied = true;
    TFormInstall form(fake.platform);
    EXPECT_FALSE(form.silentMode);
    EXPECT_EQ(form.silentPath, "");
    EXPECT_THAT(fake.boxes.shown, ElementsAre(FakeMessageBoxes::Shown{"error", kNotInstalled}));
}

TEST_F(StartUp, AnUnattendedValueThatIsNotTextEndsStartUpThere) {
    installSuite("1.4");
    describe(kPackage);
    unattended("D:\\target", "German", "");
    fake.registry.setLocalMachine(kUnattendedKey, "Silent", std::string("\x01\x00\x00\x00", 4),
                                  ValueType::Dword);
    TFormInstall form(fake.platform);

    EXPECT_THAT(fake.boxes.shown,
                ElementsAre(FakeMessageBoxes::Shown{"report", "Invalid data type for 'Silent'"}));
    EXPECT_FALSE(form.silentMode);
    EXPECT_EQ(form.silentPath, "D:\\target"); // read before "Silent"
    EXPECT_EQ(form.packageFolder, "");
    EXPECT_EQ(form.libName, "");
    EXPECT_EQ(form.eInstallDir.text(), "");
}

// The unattended run at the first activation. Installation itself is tested on its own; here
// the target folder field and the language selection it starts from are what matter. The
// silent target does not exist, so installation stops before it copies anything.
class Activation : public StartUp {
  protected:
    Activation() {
        installSuite("1.3");
        installSuite("1.4");
        describe(kPackage);
    }
};

TEST_F(Activation, RunsOnceAndOnlyInSilentMode) {
    {
        TFormInstall form(fake.platform);
        form.FormActivate();
        EXPECT_TRUE(form.activatedOnce);
        EXPECT_EQ(form.eInstallDir.text(), "C:\\Dorvan1.4\\Usr");
    }
    unattended("D:\\target", "", "activated");
    TFormInstall form(fake.platform);
    form.FormActivate();
    EXPECT_EQ(form.eInstallDir.text(), "D:\\target");

    form.eInstallDir.setText("D:\\later");
    form.FormActivate();
    EXPECT_EQ(form.eInstallDir.text(), "D:\\later");
    EXPECT_TRUE(form.silentMode);
}

TEST_F(Activation, SelectsTheLastMatchingLanguageAndTakesItsLocationFolder) {
    unattended("D:\\target", "GERMAN", "Activated");
    TFormInstall form(fake.platform);
    ASSERT_EQ(form.rgLang.itemIndex(), 1);
    form.FormActivate();
    EXPECT_EQ(form.rgLang.itemIndex(), 2);
    EXPECT_EQ(form.eInstallDir.text(), "C:\\Dorvan1.4\\Usr");
}

TEST_F(Activation, NoLanguageChangeKeepsTheSilentTarget) {
    for (const char* language : {"Klingon", "english "}) {
        unattended("D:\\target", language, "activated");
        TFormInstall form(fake.platform);
        form.FormActivate();
        EXPECT_EQ(form.rgLang.itemIndex(), 1) << language;
        EXPECT_EQ(form.eInstallDir.text(), "D:\\target") << language;
    }
    // Selecting only the description's own choice is no change either.
    describe("[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=2\nLang0=English\nLang1=German\n"
             "Selected=1\n");
    unattended("D:\\target", "german", "activated");
    TFormInstall form(fake.platform);
    form.FormActivate();
    EXPECT_EQ(form.rgLang.itemIndex(), 1);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\target");
}

TEST_F(Activation, RunsAfterTheNotInstalledReportToo) {
    describe("[Dorvan]\nDorvan5_12=Yes\n[Languages]\nCount=2\nLang0=English\nLang1=German\n");
    unattended("D:\\target", "German", "activated");
    TFormInstall form(fake.platform);
    ASSERT_THAT(fake.boxes.shown, ElementsAre(FakeMessageBoxes::Shown{"error", kNotInstalled}));
    form.FormActivate();
    EXPECT_EQ(form.rgLang.itemIndex(), 1);
    EXPECT_EQ(form.eInstallDir.text(), "D:\\target");
}

} // namespace
} // namespace velk
