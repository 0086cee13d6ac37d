// Starting programs: the exact command line arrives, failures stay silent, and the wait for
// readiness ends early when the program cannot become ready.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/win32/win32_process_starter.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::contentOf;
using testing::NamedEvent;
using testing::quoted;
using testing::TempFolder;
using testing::toolPath;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class ProcessStarterTest : public ::testing::Test {
  protected:
    // Starts the command line and returns how long startProgram took, in seconds.
    double timedStart(const std::string& commandLine) {
        const auto start = Clock::now();
        starter.startProgram(commandLine);
        return secondsSince(start);
    }

    // Waits until the recording program has written its line (or a few seconds passed).
    static std::string recorded(const std::string& file) {
        const auto start = Clock::now();
        std::string content = contentOf(file);
        while (content.find('\n') == std::string::npos && secondsSince(start) < 15) {
            Sleep(50);
            content = contentOf(file);
        }
        return content;
    }

    Win32ProcessStarter starter;
    TempFolder temp;
};

TEST_F(ProcessStarterTest, TheProgramReceivesTheCommandLineExactly) {
    const std::string record = temp / "record Пакет.txt";
    ASSERT_TRUE(SetEnvironmentVariableW(L"VELK_RECORD_FILE", testing::systemPath(record).c_str()));
    const std::string lines[] = {
        quoted(toolPath("record_command_line")) + " " + quoted(temp / "my docs\\read me.txt"),
        quoted(toolPath("record_command_line")) + " " + quoted(temp / "Пакет 库\\Größe λ.zlb"),
        quoted(toolPath("record_command_line")) + "  plain   \"two  blanks\" \"\" end ",
    };
    for (const std::string& line : lines) {
        DeleteFileW(testing::systemPath(record).c_str());
        starter.startProgram(line);
        EXPECT_EQ(recorded(record), line + "\r\n");
    }
    SetEnvironmentVariableA("VELK_RECORD_FILE", nullptr);
}

TEST_F(ProcessStarterTest, AProgramThatCannotStartIsPassedOverSilently) {
    double seconds = 0;
    EXPECT_NO_THROW(seconds = timedStart(quoted(temp / "no such program.exe") + " arg"));
    EXPECT_LT(seconds, 5.0);
    EXPECT_NO_THROW(timedStart(""));
    EXPECT_NO_THROW(timedStart("   "));
    // A document, not a program.
    ASSERT_TRUE(testing::writeFile(temp / "readme.txt", "text"));
    EXPECT_NO_THROW(timedStart(quoted(temp / "readme.txt")));
}

TEST_F(ProcessStarterTest, DoesNotWaitForAProgramWithoutMessageQueue) {
    NamedEvent release("velk_release");
    const double seconds = timedStart(quoted(toolPath("wait_without_queue")) + " " + release.name);
    SetEvent(release.handle.get());
    EXPECT_LT(seconds, 5.0); // far below the ten seconds the wait may last
}

TEST_F(ProcessStarterTest, WaitsUntilTheProgramIsReadyForInput) {
    NamedEvent release("velk_release");
    const double seconds =
        timedStart(quoted(toolPath("idle_after_delay")) + " 1500 " + release.name);
    SetEvent(release.handle.get());
    // The program reads its messages after 1.5 s: the start waits that long, not ten seconds.
    EXPECT_GT(seconds, 1.3);
    EXPECT_LT(seconds, 8.0);
}

} // namespace
} // namespace velk::win32
