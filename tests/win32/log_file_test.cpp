// The run log as a file: appended to, never truncated, UTF-8 without a byte-order mark, CR LF,
// each line stamped with the local time; a folder that is missing stays missing.

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "platform/win32/win32_log_file.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::contentOf;
using testing::TempFolder;

TEST(LogFileTest, AppendsStampedLinesToWhatIsThere) {
    TempFolder temp;
    const std::string path = temp / "Größe λ.log";
    ASSERT_TRUE(testing::writeFile(path, "earlier run\r\n"));
    {
        Win32LogFile log;
        ASSERT_TRUE(log.open(path));
        EXPECT_TRUE(log.writeLine("Größe λ"));
        // Each line is in the file as soon as it is written: a killed run leaves it.
        EXPECT_TRUE(contentOf(path).ends_with(" Größe λ\r\n"));
    }
    Win32LogFile next;
    ASSERT_TRUE(next.open(path));
    EXPECT_TRUE(next.writeLine("exit code 0"));

    const std::regex expected("earlier run\r\n"
                              "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} Größe λ\r\n"
                              "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} exit code 0\r\n");
    EXPECT_TRUE(std::regex_match(contentOf(path), expected)) << contentOf(path);

    SYSTEMTIME time{2024, 3, 0, 7, 9, 5, 4, 21};
    EXPECT_EQ(stampedLine(time, "x"), "2024-03-07 09:05:04.021 x\r\n");
}

TEST(LogFileTest, NeitherMakesAFolderNorWritesWithoutAFile) {
    TempFolder temp;
    Win32LogFile log;
    EXPECT_FALSE(log.open(temp / "missing\\run.log"));
    EXPECT_EQ(testing::attributesOf(temp / "missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(log.writeLine("lost"));
}

// A device name is the device, as Windows takes it, whatever folder is named before it: the
// lines go nowhere and no file is made, in the current folder or in the one named.
TEST(LogFileTest, ADeviceNameIsTheDeviceNeverAFile) {
    TempFolder temp;
    wchar_t saved[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(testing::systemPath(temp.path()).c_str()));
    for (const std::string& name : {std::string("NUL"), temp / "nul.txt", temp / "missing\\Nul"}) {
        Win32LogFile log;
        EXPECT_TRUE(log.open(name)) << name;
        EXPECT_TRUE(log.writeLine("nowhere")) << name;
    }
    // The console's devices: whether they open depends on the console this test has (a log
    // written there is only shown); no file is made either way.
    for (const std::string& name : {std::string("CONOUT$"), temp / "conin$.log"}) {
        Win32LogFile log;
        if (log.open(name)) {
            log.writeLine("");
        }
    }
    SetCurrentDirectoryW(saved);
    // Nothing but "." and ".." in the folder.
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(testing::systemPath(temp / "*").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
        names.push_back(entry.cFileName);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    EXPECT_EQ(names.size(), 2u) << toUtf8(names.back());
}

TEST(LogFileTest, KnowsTheTemporaryFolderAndTheSystemsMessages) {
    Win32LogFile log;
    const std::string folder = log.temporaryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    const DWORD attributes = testing::attributesOf(folder);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    // The system's own text, on one line, as a log line ends it.
    const std::string message = log.systemMessage(ERROR_DISK_FULL);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
    EXPECT_NE(message.back(), '.');
    EXPECT_NE(message, "System error 112");
    // The test program has no version information; VelkInstall.exe's is checked end to end.
    EXPECT_EQ(log.programVersion(), "");
}

} // namespace
} // namespace velk::win32
