#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unit/install_fixture.h"

namespace velk::testing {
namespace {

using ::testing::Contains;

// Where the command line and the unattended-install key both say something, the command line
// wins; where it says nothing, the key's value holds; the log names where each came from.
struct Precedence {
    const char* what;
    std::map<std::string, std::string> key; // values of the unattended-install key
    std::vector<std::string> arguments;
    const char* shownTarget;  // the window's target folder after the first activation
    const char* installed;    // the default language's text installed there; null: none
    const char* logOpened;    // "" for no log
    const char* settingsLine; // the log's line of the settings used
};

void PrintTo(const Precedence& row, std::ostream* out) {
    *out << row.what;
}

class CommandLineOverKey : public InstallFixture,
                           public ::testing::WithParamInterface<Precedence> {};

TEST_P(CommandLineOverKey, EachSettingFromTheCommandLineElseFromTheKey) {
    const Precedence& row = GetParam();
    for (const auto& [name, value] : row.key) {
        fake.registry.setLocalMachine(kUnattendedKey, name, value);
    }
    fake.files.addFolder("C:\\other");
    form = std::make_unique<TFormInstall>(fake.platform, row.arguments);
    form->FormActivate();

    EXPECT_EQ(form->eInstallDir.text(), row.shownTarget);
    const FakeFileSystem::Node* texts =
        fake.files.find(std::string(row.shownTarget) + "\\texts.txt");
    if (row.installed != nullptr) {
        ASSERT_NE(texts, nullptr);
        EXPECT_EQ(texts->content, row.installed);
    } else {
        EXPECT_EQ(texts, nullptr);
    }
    EXPECT_EQ(fake.log.opened, row.logOpened);
    if (*row.settingsLine != '\0') {
        EXPECT_THAT(fake.log.lines, Contains(row.settingsLine));
    }
}

const std::map<std::string, std::string> kKeyRun{{"Path", "C:\\missing"},
                                                 {"Language", "English"},
                                                 {"Silent", "activated"},
                                                 {"Log", "E:\\key.log"},
                                                 {"WaitInUse", "10"}};

INSTANTIATE_TEST_SUITE_P(
    Settings, CommandLineOverKey,
    ::testing::Values(
        Precedence{
            "the command line wins over each of the key's values",
            kKeyRun,
            {"/quiet", "/dir=C:\\dorvan\\usr", "/lang=German", "/log=E:\\cmd.log", "/wait=5"},
            "C:\\dorvan\\usr",
            "german texts",
            "E:\\cmd.log",
            "Settings used: installation (command line: the default of /quiet), quiet "
            "(command line), target \"C:\\dorvan\\usr\" (command line), default language "
            "\"German\" (command line), log \"E:\\cmd.log\" (command line), wait for files "
            "in use 5 s (command line)"},
        Precedence{"the key's values where the command line says nothing",
                   {{"Path", "C:\\dorvan\\usr"},
                    {"Language", "English"},
                    {"Silent", "activated"},
                    {"Log", "E:\\key.log"},
                    {"WaitInUse", "10"}},
                   {"/passive"},
                   "C:\\dorvan\\usr",
                   "english texts",
                   "E:\\key.log",
                   "Settings used: installation (command line: the default of /passive), passive "
                   "(command line), target \"C:\\dorvan\\usr\" (unattended-install key), default "
                   "language \"English\" (unattended-install key), log \"E:\\key.log\" "
                   "(unattended-install key), wait for files in use 10 s (unattended-install "
                   "key)"},
        // A key that asks for no run names no target or language for one.
        Precedence{"a key that asks for no run",
                   {{"Path", "C:\\missing"}, {"Language", "English"}, {"Silent", ""}},
                   {"/quiet"},
                   "C:\\dorvan\\usr",
                   "german texts",
                   "C:\\Temp\\VelkInstall.log",
                   "Settings used: installation (command line: the default of /quiet), quiet "
                   "(command line), the target folder the window offers, the description's "
                   "default language, log VelkInstall.log in the temporary folder"},
        // Choosing a language proposes its location's folder; the command line's /dir stays.
        Precedence{"/dir whatever /lang selects",
                   {},
                   {"/quiet", "/lang=English", "/dir=C:\\other"},
                   "C:\\other",
                   "english texts",
                   "C:\\Temp\\VelkInstall.log",
                   ""},
        // Without /install, /remove, /quiet or /passive the window waits for the user.
        Precedence{"settings for the window only",
                   {},
                   {"/dir=C:\\other", "/log=E:\\cmd.log"},
                   "C:\\other",
                   nullptr,
                   "E:\\cmd.log",
                   "Settings used: nothing until the user chooses, with the window, target "
                   "\"C:\\other\" (command line), the description's default language, log "
                   "\"E:\\cmd.log\" (command line)"}));

} // namespace
} // namespace velk::testing
