// End-to-end tests of what an unattended run with nobody at the desktop does with what it did
// not make: a work folder planted in the target (a crafted journal, a damaged one), a package
// that carries one, a package without a description, a device named as its log. Each run
// changes nothing, ends by itself with exit code 2, and its log says why.
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

namespace velk::e2e {
namespace {

const char* const kDescription = "[About]\nName=Demo\nVersion=2.0\n"
                                 "[Dorvan]\nDorvan5_14=Yes\n"
                                 "[Languages]\nCount=1\nLang0=English\nSelected=0\n";
const char* const kMark = "VelkInstall work folder 1\n";
const char* const kJournalHead = "VelkInstall journal 1\nfolder\t\n";

class PlantedWorkE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        host = addHostVersion(work() + "\\host", "1.4");
        package =
            makePackage(work() + "\\pkg",
                        {.description = kDescription,
                         .files = {{"Libs\\a.zfb", "a block"}, {"Libs\\English\\t.txt", "texts"}}});
        outside = work() + "\\outside";
        writeFile(outside + "\\victim.txt", "the user's");
        writeFile(outside + "\\victim.txt.old", "the user's too");
        writeFile(host.usr + "\\Other.lin", "another library's");
    }

    // Runs the package unattended with nobody at the desktop; expects exit code 2 and `said` in
    // its log, and the target and the folder outside it as they were.
    void expectNothingChanged(const std::string& said) {
        const auto target = treeOf(host.usr);
        const auto elsewhere = treeOf(outside);
        setUnattended(host.usr, "English", "activated");
        const std::string log = work() + "\\install.log";
        setUnattendedLog(log);
        Installer app = Installer::startUnwatched(package);
        EXPECT_EQ(app.waitForExit(kStartTimeout), 2u);

        const std::string text = readFile(log);
        EXPECT_NE(text.find(said), std::string::npos) << said << " in:\n" << text;
        EXPECT_TRUE(text.ends_with("exit code 2\r\n")) << text;
        EXPECT_EQ(treeOf(host.usr), target);
        EXPECT_EQ(treeOf(outside), elsewhere);
    }

    HostFolders host;
    std::string package;
    std::string outside;
};

TEST_F(PlantedWorkE2E, AJournalThatReachesOutOfTheTargetIsNeverCarriedOut) {
    struct Planted {
        const char* what;
        const char* file; // "journal" or "committed"
        std::string lines;
        std::map<std::string, std::string> slots; // files in the work folder
    };
    const std::vector<Planted> planted = {
        {"a name that climbs out: the undo of an addition would take the file",
         "journal",
         "add\t0\t..\\..\\..\\outside\\victim.txt\t0\\0\nend\t1\n",
         {}},
        {"a folder outside: the undo of a replacement would overwrite the file",
         "journal",
         "folder\t..\\..\\..\\outside\nreplace\t1\tvictim.txt\t0\\0\nend\t1\n",
         {{"0\\0.old", "planted"}}},
        {"a slot outside: finishing a committed removal would delete the file",
         "committed",
         "remove\t0\tOther.lin\t..\\..\\..\\..\\outside\\victim.txt\nend\t1\n",
         {}},
        {"a journal that cannot be read", "journal", "garbage", {}},
    };
    const std::string folder = host.usr + "\\~VelkInstall.work";
    for (const Planted& plant : planted) {
        SCOPED_TRACE(plant.what);
        removeTree(folder);
        writeFile(folder + "\\begun", kMark);
        writeFile(folder + "\\" + plant.file, kJournalHead + plant.lines);
        for (const auto& [slot, contents] : plant.slots) {
            writeFile(folder + "\\" + slot, contents);
        }
        expectNothingChanged("Error box (not shown): The folder \"" + folder + "\" cannot be used");
    }
}

// As written, and as Windows makes the name of the language's folder: the trailing dot dropped.
TEST_F(PlantedWorkE2E, APackageThatCarriesAWorkFolderIsRefused) {
    for (const auto& [language, folder] :
         {std::pair<std::string, std::string>{"~VelkInstall.work", "~VelkInstall.work"},
          {"~VelkInstall2.work.", "~VelkInstall2.work"}}) {
        SCOPED_TRACE(language);
        removeTree(package + "\\Libs\\" + folder);
        writeFile(package + "\\Libs\\Demo.lin",
                  "[About]\nName=Demo\nVersion=2.0\n[Dorvan]\nDorvan5_14=Yes\n"
                  "[Languages]\nCount=2\nLang0=English\nLang1=" +
                      language + "\nSelected=0\n");
        writeFile(package + "\\Libs\\" + folder + "\\begun", kMark);
        writeFile(package + "\\Libs\\" + folder + "\\journal",
                  std::string(kJournalHead) + "add\t0\tOther.lin\t0\\0\nend\t1\n");
        expectNothingChanged("Error box (not shown): The package holds \"" + package + "\\Libs\\" +
                             folder + "\"");
    }
}

TEST_F(PlantedWorkE2E, APackageWithoutADescriptionInstallsNothing) {
    removeTree(package + "\\Libs\\Demo.lin");
    expectNothingChanged("Error box (not shown): The package holds no library description");
}

// A device named as the log is the device: no file of its name is made in the program's current
// folder, the package folder.
TEST_F(PlantedWorkE2E, ADeviceNamedAsTheLogMakesNoFile) {
    setUnattended(work() + "\\missing", "", "activated");
    setUnattendedLog("NUL");
    Installer app = Installer::startUnwatched(package);
    EXPECT_EQ(app.waitForExit(kStartTimeout), 2u);
    EXPECT_EQ(filesIn(package), std::vector<std::string>{"VelkInstall.exe"});
}

} // namespace
} // namespace velk::e2e
