// End-to-end tests of names in scripts outside any one code page and of paths longer than 260
// characters: package folder, target folder, file names, language names and library name.
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

const char* const kDescription =
    "[About]\nName=Библиотека\nVersion=2.0\n"
    "[Dorvan]\nDorvan5_14=Yes\n"
    "[Languages]\nCount=2\nLang0=English\nLang1=Ελληνικά\nSelected=1\n";

class UnicodePathsE2E : public E2ETest {
  protected:
    // A package in a folder named in Cyrillic and Chinese; its target, named in German and
    // Chinese, proposed by the host suite's registry values.
    void SetUp() override {
        E2ETest::SetUp();
        addHostVersion(work() + "\\host", "1.4");
        target = work() + "\\Ziel ü\\目标 std";
        makeFolder(target);
        setHostValue("1.4", "UsrLibDir", target);
        package = makePackage(work() + "\\Пакет 库", packageContents());
    }

    static PackageContents packageContents() {
        return {.description = kDescription,
                .descriptionName = "Пакет.lin",
                .files = {{"Libs\\Größe λ.zlb", "größe"},
                          {"Libs\\a.zfb", "a block"},
                          {"Libs\\English\\texts.txt", "english texts"},
                          {"Libs\\Ελληνικά\\texts.txt", "ελληνικά"},
                          {"Libs\\Ελληνικά\\λέξεις.txt", "λέξεις"}}};
    }

    // What an installation leaves: the base files, both language folders, and the default
    // language (Greek) over the base files.
    static void expectInstalled(const std::string& folder) {
        EXPECT_EQ(filesIn(folder),
                  (Names{"Größe λ.zlb", "a.zfb", "texts.txt", "λέξεις.txt", "Пакет.lin"}));
        EXPECT_EQ(foldersIn(folder), (Names{"English", "Ελληνικά"}));
        EXPECT_EQ(readFile(folder + "\\Größe λ.zlb"), "größe");
        EXPECT_EQ(readFile(folder + "\\texts.txt"), "ελληνικά");
        EXPECT_EQ(filesIn(folder + "\\Ελληνικά"), (Names{"texts.txt", "λέξεις.txt"}));
        EXPECT_EQ(readFile(folder + "\\English\\texts.txt"), "english texts");
    }

    std::string target;
    std::string package;
};

TEST_F(UnicodePathsE2E, InstallsIntoTheProposedTargetAndRemovesAgain) {
    {
        Installer app = Installer::start(package);
        Window main = app.mainWindow();
        app.settle();
        main.screenshot(shotName("main"));
        EXPECT_EQ(main.edit(1).text(), target);
        main.button("Install").click();
        expectBox(app, "Information", "Library installation was successful.", "OK");
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    expectInstalled(target);

    Installer app = Installer::start(package);
    app.mainWindow().button("Remove").click();
    expectBox(app, "Confirm",
              "Library Библиотека 2.0 is already installed in the target directory!\r"
              "Do you want to remove the library Библиотека 2.0 ?",
              "&Yes");
    expectBox(app, "Information", "Library uninstallation was successful.", "OK");
    EXPECT_EQ(app.waitForExit(), 0u);
    // The base files are gone; the default language's own files and the folders stay.
    EXPECT_EQ(filesIn(target), (Names{"texts.txt", "λέξεις.txt"}));
    EXPECT_EQ(foldersIn(target), (Names{"English", "Ελληνικά"}));
}

TEST_F(UnicodePathsE2E, AnUnattendedRunInstallsIntoSuchATarget) {
    setUnattended(target, "Ελληνικά", "activated");
    EXPECT_EQ(Installer::start(package).waitForExit(kStartTimeout), 0u);
    expectInstalled(target);
}

// Wine starts no program from a folder that deep, so the package stays where it is.
TEST_F(UnicodePathsE2E, ATargetDeeperThanThreeHundredCharacters) {
    std::string deepTarget = target;
    for (int level = 0; deepTarget.size() <= 320; ++level) {
        deepTarget += "\\Ebene ü " + std::to_string(level) + std::string(40, 'x');
    }
    makeFolder(deepTarget);
    setUnattended(deepTarget, "Ελληνικά", "activated");
    EXPECT_EQ(Installer::start(package).waitForExit(kStartTimeout), 0u);
    expectInstalled(deepTarget);
}

} // namespace
} // namespace velk::e2e
