// Deployment tools' runs of the example package: the command line on a window station of the
// run's own (nobody at the desktop), as winget, Intune or Configuration Manager start it; the
// commands that docs/deploy/ names, run as they are written there; and a passive run on the
// desktop, which shows its progress and nothing else.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/driver/e2e_fixture.h"

#ifndef VELK_E2E_SOURCE_DIR
#error "VELK_E2E_SOURCE_DIR must name the source folder (for the example package and docs)"
#endif

namespace velk::e2e {
namespace {

using Names = std::vector<std::string>;

// What an installation of the example package with German as the default language leaves in
// the target's own folder; a removal leaves German's own file, which no base file replaced.
const Names kInstalledFiles{"ZullDemo.lin",     "ZullDemo.txt",      "ZullDemo.zfb",
                            "ZullDemoHelp.txt", "ZullDemoScale.zfb", "ZullDemoTimers.zfb",
                            "readme.txt"};
const Names kAfterRemoval{"ZullDemoHelp.txt"};

// Each "{name}" in `text` replaced by its value.
std::string filledIn(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        const std::string mark = "{" + name + "}";
        for (std::size_t at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + value.size())) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

// The value of the first line of `text` that reads "KEY: VALUE" (blanks and "- " before KEY
// allowed); fails the test when there is none.
std::string valueOf(const std::string& text, const std::string& key) {
    const std::regex line("(^|\n)[ \t]*(- )?" + key + ": *([^\r\n]*)");
    std::smatch found;
    if (!std::regex_search(text, found, line)) {
        ADD_FAILURE() << "no \"" << key << ":\" line";
        return {};
    }
    return found[3];
}

// Every "KEY: VALUE" line of `text` whose KEY matches `key` (a regular expression with one
// group), as group -> value.
std::map<std::string, std::string> valuesOf(const std::string& text, const std::string& key) {
    std::map<std::string, std::string> values;
    const std::regex line("(^|\n)[ \t]*(- )?" + key + ": *([^\r\n]*)");
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
        values[(*it)[3]] = (*it)[4];
    }
    return values;
}

std::string document(const std::string& path) {
    return readFile(testing::sourceData(VELK_E2E_SOURCE_DIR, path));
}

class DeploymentE2E : public E2ETest {
  protected:
    void SetUp() override {
        E2ETest::SetUp();
        // Blanks in the folders, so that the quotes of the command lines count.
        host = addHostVersion(work() + "\\Dorvan 5", "1.4");
        package = work() + "\\example package";
        copyTree(testing::sourceData(VELK_E2E_SOURCE_DIR, "examples/package"), package);
        copyFile(programPath(), package + "\\VelkInstall.exe");
    }

    // Runs the example package's installer with `arguments` ("{dir}": the host suite's user
    // library folder; "{log}": log()) on a window station of its own; its exit code.
    DWORD deploy(const std::string& arguments) {
        Installer app = Installer::startUnwatched(
            package, filledIn(arguments, {{"dir", host.usr}, {"log", log()}}));
        return app.waitForExit(kStartTimeout * 2);
    }

    // A package of kFiles library files, "f0000.zfb" and on, that takes a while to install.
    static constexpr int kFiles = 5000;
    std::string bigPackage() const {
        std::map<std::string, std::string> files;
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Libs\\f%04d.zfb", i);
            files[name] = "block " + std::to_string(i);
        }
        return makePackage(
            work() + "\\big",
            {.description = "[About]\nName=Big\nVersion=1.0\n[Dorvan]\nDorvan5_14=Yes\n",
             .files = files});
    }

    std::string log() const { return work() + "\\deploy log.txt"; }
    std::string logText() const { return fileExists(log()) ? readFile(log()) : std::string(); }
    std::string installed(const std::string& name) const { return host.usr + "\\" + name; }
    std::string packaged(const std::string& name) const { return package + "\\Libs\\" + name; }

    HostFolders host;
    std::string package;
};

struct DeploymentRun {
    const char* what;
    bool installedBefore;
    const char* arguments;
    DWORD exitCode;
    const char* logged; // a part of the log
};

void PrintTo(const DeploymentRun& run, std::ostream* out) {
    *out << run.what;
}

class CommandLineE2E : public DeploymentE2E, public ::testing::WithParamInterface<DeploymentRun> {};

// The exit code tells the outcome; a run that did not succeed left the target as it was.
TEST_P(CommandLineE2E, DoesWhatItSaysWithNobodyAtTheDesktop) {
    const DeploymentRun& run = GetParam();
    if (run.installedBefore) {
        ASSERT_EQ(deploy("/install /quiet /lang=German /dir=\"{dir}\""), 0u);
    }
    const std::map<std::string, std::string> before = treeOf(host.usr);

    EXPECT_EQ(deploy(run.arguments), run.exitCode);

    EXPECT_NE(logText().find(run.logged), std::string::npos) << logText();
    if (run.exitCode != 0) {
        EXPECT_EQ(treeOf(host.usr), before);
    } else if (run.installedBefore) {
        EXPECT_EQ(filesIn(host.usr), kAfterRemoval);
    } else {
        EXPECT_EQ(filesIn(host.usr), kInstalledFiles);
        EXPECT_EQ(foldersIn(host.usr), (Names{"English", "French", "German"}));
        EXPECT_EQ(readFile(installed("ZullDemo.txt")), readFile(packaged("German\\ZullDemo.txt")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CommandLineE2E,
    ::testing::Values(
        DeploymentRun{"a quiet installation", false,
                      "/install /quiet /dir=\"{dir}\" /lang=German \"/log={log}\"", 0,
                      "Settings used: installation (command line), quiet (command line), target"},
        DeploymentRun{"a quiet removal", true, "-REMOVE -Quiet -dir:\"{dir}\" /log=\"{log}\"", 0,
                      "The run ends, the library was removed: exit code 0"},
        DeploymentRun{"a bad switch", false,
                      "/install /quiet /dir=\"{dir}\" /silent /log=\"{log}\"", 87,
                      "The command line is bad: \"/silent\" is not a switch this program knows"}));

// The commands of docs/deploy/ as winget and Intune run them, with nobody at the desktop: each
// does what the document says, and the return codes the documents list mean there what the
// program's /? (and the README) says they mean.
TEST_F(DeploymentE2E, DocsDeployRunsAsWritten) {
    const std::string winget = document("docs/deploy/winget/VelkMarden.ZullDemo.installer.yaml");
    const std::string intune = document("docs/deploy/intune/ZullDemo-win32-app.txt");
    const std::string detection = document("docs/deploy/intune/detect-ZullDemo.ps1");
    const std::string readme = document("README.md");

    // The exit codes: the program's own table, the documents' meanings.
    ASSERT_EQ(deploy("/? /log=\"{log}\""), 0u);
    const std::string help = logText();
    // Whether the table's row of `code` (columns " - " apart) holds `column`.
    const auto helpRow = [&help](const std::string& code, const std::string& column) {
        std::smatch row;
        return std::regex_search(help, row, std::regex("\n[-0-9:. ]+ " + code + " - ([^\r\n]*)")) &&
               std::string(row[1]).find(column) != std::string::npos;
    };
    const std::map<std::string, std::string> responses =
        valuesOf(winget, "InstallerReturnCode: ([0-9]+)\r?\n *ReturnResponse");
    EXPECT_EQ(responses.size(), 3u) << winget;
    for (const auto& [code, response] : responses) {
        EXPECT_TRUE(helpRow(code, " - " + response)) << code << " " << response << "\n" << help;
        EXPECT_TRUE(
            std::regex_search(readme, std::regex("\n\\| " + code + " \\|[^\n]*`" + response + "`")))
            << code << " " << response;
    }
    const std::map<std::string, std::string> returnCodes = valuesOf(intune, "Return code ([0-9]+)");
    EXPECT_EQ(returnCodes.size(), 7u) << intune;
    for (const auto& [code, kind] : returnCodes) {
        const std::string meant = kind == "Success" ? " - success"
                                  : kind == "Retry" ? " - retries later"
                                                    : " - fails";
        EXPECT_TRUE(helpRow(code, meant)) << code << " " << kind << "\n" << help;
    }

    // winget: the quiet run with its log and location, then the passive one over it. winget
    // puts the folders as the user gave them (--location, --log) into the switches verbatim:
    // blanks, names in other scripts, a trailing backslash before the switch's closing quote.
    const std::string wingetTarget = work() + "\\winget target";
    const std::string otherScripts = work() + "\\Библиотеки 新しい";
    for (const auto& [folder, given] :
         {std::pair{wingetTarget, wingetTarget}, std::pair{otherScripts, otherScripts + "\\"}}) {
        makeFolder(folder);
        for (const char* mode : {"Silent", "SilentWithProgress"}) {
            std::string arguments = valueOf(winget, mode) + " " + valueOf(winget, "Log") + " " +
                                    valueOf(winget, "InstallLocation");
            arguments.replace(arguments.find("<LOGPATH>"), 9, log());
            arguments.replace(arguments.find("<INSTALLPATH>"), 13, given);
            removeTree(log());
            Installer app = Installer::startUnwatched(package, arguments);
            EXPECT_EQ(app.waitForExit(kStartTimeout * 2), 0u) << mode << ": " << arguments;
            EXPECT_EQ(filesIn(folder), kInstalledFiles) << mode << ": " << arguments;
            EXPECT_NE(logText().find("exit code 0"), std::string::npos) << mode;
        }
    }

    // Intune: installed into the folder the window offers, found by the detection rule's
    // description and version; removed again, and no longer found.
    const std::string command = "VelkInstall.exe ";
    const std::string install = valueOf(intune, "Install command");
    const std::string uninstall = valueOf(intune, "Uninstall command");
    ASSERT_EQ(install.rfind(command, 0), 0u) << install;
    ASSERT_EQ(uninstall.rfind(command, 0), 0u) << uninstall;
    // Both tools take "exit 0, nothing written" for not installed; any other code is a failed
    // script.
    EXPECT_FALSE(std::regex_search(detection, std::regex("\n[ \t]*exit +[^0\r\n]"))) << detection;
    EXPECT_NE(detection.find("'UsrLibDir'"), std::string::npos);
    EXPECT_NE(detection.find("Join-Path $folder 'ZullDemo.lin'"), std::string::npos);
    EXPECT_NE(detection.find("Version\\s*=\\s*2\\.1\\.0"), std::string::npos);
    EXPECT_EQ(deploy(install.substr(command.size())), 0u) << install;
    ASSERT_TRUE(fileExists(installed("ZullDemo.lin")));
    EXPECT_NE(readFile(installed("ZullDemo.lin")).find("\nVersion=2.1.0"), std::string::npos);
    EXPECT_EQ(readFile(installed("ZullDemo.txt")), readFile(packaged("English\\ZullDemo.txt")));
    EXPECT_EQ(deploy(uninstall.substr(command.size())), 0u) << uninstall;
    EXPECT_FALSE(fileExists(installed("ZullDemo.lin")));
}

// A deployment that comes while another run works in its target ends with 1618, which
// deployment tools try again later, and does nothing there.
TEST_F(DeploymentE2E, AQuietRunWhileAnotherWorksInTheTargetEndsWith1618) {
    Installer first = Installer::start(bigPackage());
    const Window main = first.mainWindow();
    first.settle();
    main.button("Install").click();
    waitUntil([&] { return fileExists(installed("~VelkInstall.work\\begun")); },
              "the first installer's work", kStartTimeout * 3);

    EXPECT_EQ(deploy("/install /quiet /dir=\"{dir}\" /log=\"{log}\""), 1618u);

    EXPECT_NE(logText().find("Another installation or removal is running in the target folder"),
              std::string::npos)
        << logText();
    const MessageBoxView done = first.waitForMessageBox(kStartTimeout * 3);
    EXPECT_EQ(done.text, "Library installation was successful.");
    done.answer("OK");
    EXPECT_EQ(first.waitForExit(), 0u);
    EXPECT_EQ(filesIn(host.usr).size(), static_cast<std::size_t>(kFiles + 1));
    EXPECT_FALSE(fileExists(installed("ZullDemo.lin")));
}

// A passive run with a person at the desktop: the window shows the progress of a long
// installation, no box ever comes, and the window closes by itself at the end.
TEST_F(DeploymentE2E, APassiveRunShowsItsProgressAsksNothingAndCloses) {
    const std::string big = bigPackage();
    writeFile(host.usr + "\\f0000.zfb", "an older block"); // a question a person would be asked

    Installer app = Installer::start(big, "/passive /log=\"" + log() + "\"");
    const Window main = app.mainWindow();
    bool shot = false;
    while (main.exists()) {
        EXPECT_FALSE(app.findMessageBox().has_value()) << "a box came up";
        for (const Window& bar : main.children("msctls_progress32")) {
            DWORD_PTR position = 0;
            if (!shot && bar.visible() &&
                SendMessageTimeoutW(bar.hwnd(), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100,
                                    &position) != 0 &&
                position > 0) {
                main.screenshot(shotName("progress"));
                shot = true;
            }
        }
        Sleep(100);
    }
    EXPECT_EQ(app.waitForExit(kStartTimeout), 0u);
    EXPECT_TRUE(shot) << "the progress was never seen";
    EXPECT_EQ(filesIn(host.usr).size(), static_cast<std::size_t>(kFiles + 1));
    EXPECT_EQ(readFile(host.usr + "\\f0000.zfb"), "block 0");
    // The question that nobody was asked is in the log, with its answer.
    EXPECT_NE(logText().find("Confirm box (not shown): File f0000.zfb is already exists in the "
                             "target directory! | Do you want to continue ?"),
              std::string::npos)
        << logText();
    EXPECT_NE(logText().find("Answered Yes, as the deployment"), std::string::npos);
}

} // namespace
} // namespace velk::e2e
