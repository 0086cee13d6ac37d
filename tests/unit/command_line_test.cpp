#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/command_line_split.h"

namespace velk::testing {
namespace {

using Action = CommandLine::Action;
using Display = CommandLine::Display;

struct Reading {
    const char* what;
    std::vector<std::string> arguments;
    // What is read; `error` a part of the reason when the command line is bad.
    bool read = true;
    Action action = Action::None;
    Display display = Display::None;
    std::optional<std::string> dir{};
    std::optional<std::string> language{};
    std::optional<std::string> log{};
    std::optional<unsigned> wait{};
    bool help = false;
    const char* error = nullptr;
};

void PrintTo(const Reading& reading, std::ostream* out) {
    *out << reading.what;
}

class CommandLineReading : public ::testing::TestWithParam<Reading> {};

TEST_P(CommandLineReading, GivesTheSettingsOrTheReason) {
    const Reading& expected = GetParam();
    const CommandLine line = readCommandLine(expected.arguments);

    EXPECT_EQ(line.read, expected.read);
    if (expected.error != nullptr) {
        EXPECT_THAT(line.error, ::testing::HasSubstr(expected.error));
        return;
    }
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.action, expected.action);
    EXPECT_EQ(line.display, expected.display);
    EXPECT_EQ(line.dir, expected.dir);
    EXPECT_EQ(line.language, expected.language);
    EXPECT_EQ(line.log, expected.log);
    EXPECT_EQ(line.waitInUse, expected.wait);
    EXPECT_EQ(line.help, expected.help);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineReading,
    ::testing::Values(
        Reading{"no arguments", {}, false},
        // Words the program never read change nothing, switches of other programs included.
        // One switch makes the whole command line count.
        Reading{"others' words beside a switch",
                {"/S", "-verysilent", "setup", "/dir"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "\"/S\" is not a switch this program knows"},
        Reading{"only unknown words", {"/S", "-verysilent", "setup", "/D=C:\\x"}, false},
        Reading{"every switch, a value after = or :",
                {"/install", "/quiet", "/dir=C:\\Dorvan\\Usr Libs", "/lang:German",
                 "/log=D:\\logs\\run.log", "/wait:30"},
                true,
                Action::Install,
                Display::Quiet,
                "C:\\Dorvan\\Usr Libs",
                "German",
                "D:\\logs\\run.log",
                30u},
        Reading{"any letter case, - for /",
                {"-REMOVE", "/Passive", "-DIR:C:\\x"},
                true,
                Action::Remove,
                Display::Passive,
                "C:\\x"},
        // A value keeps everything after the first = or :, blanks and colons included.
        Reading{"a value holding = and :",
                {"/dir=C:\\a=b", "/log:\\\\server\\share\\a:b.log"},
                true,
                Action::None,
                Display::None,
                "C:\\a=b",
                {},
                "\\\\server\\share\\a:b.log"},
        Reading{"names in any script",
                {"/dir=C:\\Библиотеки\\新しい", "/lang=Ελληνικά"},
                true,
                Action::None,
                Display::None,
                "C:\\Библиотеки\\新しい",
                "Ελληνικά"},
        // As Windows passes them (splitArguments): a quoted value that ends in a backslash
        // keeps it, whatever follows; the system's own rules would read C:\Libs" and join the
        // arguments after it.
        Reading{"quoted folders that end in a backslash",
                splitArguments(R"(/install /quiet /dir="C:\Dorvan\Usr Libs\" /log="C:\Logs\")"),
                true,
                Action::Install,
                Display::Quiet,
                "C:\\Dorvan\\Usr Libs\\",
                {},
                "C:\\Logs\\"},
        Reading{"a quoted drive root", splitArguments(R"(/dir="C:\" /lang=German)"), true,
                Action::None, Display::None, "C:\\", "German"},
        Reading{"a doubled backslash before the quote, as the system's rules write one",
                splitArguments(R"("/dir=C:\Usr Libs\\" /passive)"), true, Action::None,
                Display::Passive, "C:\\Usr Libs\\"},
        Reading{"the same switch again with the same value",
                {"/quiet", "-QUIET", "/dir=C:\\x", "/dir:C:\\x"},
                true,
                Action::None,
                Display::Quiet,
                "C:\\x"},
        Reading{"/? and /help", {"/?"}, true, Action::None, Display::None, {}, {}, {}, {}, true},
        Reading{"/help among others",
                {"/quiet", "-Help"},
                true,
                Action::None,
                Display::Quiet,
                {},
                {},
                {},
                {},
                true},
        Reading{"no wait at all", {"/wait=0"}, true, Action::None, Display::None, {}, {}, {}, 0u},
        Reading{"the longest wait",
                {"/wait=86400"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                86400u},
        // Bad: nothing is done.
        Reading{"an unknown switch beside a known one",
                {"/quiet", "/silent"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "\"/silent\" is not a switch this program"},
        Reading{"a word beside a switch",
                {"/quiet", "C:\\x"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "\"C:\\x\" is not a switch"},
        Reading{"a name in another script as a switch",
                {"/quiet", "/тихо"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "\"/тихо\" is not a switch this program"},
        Reading{"a missing value",
                {"/install", "/dir"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/dir needs a value"},
        Reading{"an empty value",
                {"/install", "/lang="},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/lang needs a value"},
        Reading{"a value for a switch that takes none",
                {"/quiet=yes"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/quiet takes no value"},
        Reading{"/install with /remove",
                {"/install", "/quiet", "-remove"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/install and /remove exclude each other"},
        Reading{"/quiet with /passive",
                {"/passive", "/quiet"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/quiet and /passive exclude each other"},
        Reading{"a switch repeated with another value",
                {"/dir=C:\\a", "/dir=C:\\b"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "names the target folder (/dir) twice"},
        Reading{"a wait that is no number",
                {"/wait=60s"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/wait needs a number of seconds"},
        Reading{"a negative wait",
                {"/wait=-1"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/wait needs a number of seconds"},
        Reading{"a wait longer than a day",
                {"/wait=86401"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/wait needs a number of seconds"},
        Reading{"a wait too long for any number",
                {"/wait=99999999999999999999"},
                true,
                Action::None,
                Display::None,
                {},
                {},
                {},
                {},
                false,
                "/wait needs a number of seconds"}));

} // namespace
} // namespace velk::testing
