// Where DLLs loaded by name are looked for, before and after the restriction the program's entry
// makes. The restriction holds for the whole process from then on, so each case runs in a
// process of its own (load_library.exe, beside this test, in the same folder as the probe DLL):
// the tests here keep the usual search.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/app_error.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;
using testing::toolPath;
using testing::toolsFolder;

// Runs load_library.exe in `currentFolder` and returns its exit code (0: loaded, 1: not found).
DWORD loadInChild(const std::string& arguments, const std::string& currentFolder) {
    std::wstring line = toWide("\"" + toolPath("load_library") + "\" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        toWide(currentFolder).c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start load_library: " << GetLastError();
        return 0xDEADBEEF;
    }
    CloseHandle(info.hThread);
    return testing::exitCodeAfter(UniqueHandle(info.hProcess), 20000);
}

TEST(DllSearchTest, OnlyTheSystemFolderIsSearchedAfterTheRestriction) {
    // probe_library.dll lies beside load_library.exe; a copy under another name lies only in the
    // current folder.
    TempFolder current;
    ASSERT_TRUE(CopyFileW(toWide(toolsFolder() + "probe_library.dll").c_str(),
                          toWide(current / "probe_current.dll").c_str(), FALSE))
        << GetLastError();

    struct Case {
        const char* arguments;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"probe_library.dll", 0},              // the program's folder
        {"probe_current.dll", 0},              // the current folder
        {"--restricted probe_library.dll", 1}, // neither, once restricted
        {"--restricted probe_current.dll", 1},
        {"--restricted version.dll", 0}, // the system folder still is searched
        // The loader of the shell's and COM's DLLs looks in the system folder only, whatever
        // the process's search.
        {"--system-folder probe_library.dll", 1},
        {"--system-folder version.dll", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(loadInChild(c.arguments, current.path()), c.exitCode) << c.arguments;
    }
}

TEST(DllSearchTest, TheLoaderGivesSystemFunctionsAndNamesWhatIsMissing) {
    EXPECT_EQ(getFileVersionInfoSize(L"no such file here.dll", nullptr), 0u);

    const SystemFunction<void(WINAPI*)()> missing{L"version.dll", "NoSuchFunction"};
    const SystemFunction<void(WINAPI*)()> missingLibrary{L"no such library.dll", "Function"};
    // Where a newer Windows's function may be missing, it is null instead, and stays so.
    EXPECT_EQ(missing.find(), nullptr);
    EXPECT_EQ(missing.find(), nullptr);
    EXPECT_EQ(missingLibrary.find(), nullptr);
    EXPECT_EQ(getFileVersionInfoSize.find(), getFileVersionInfoSize.get());
    EXPECT_NE(getFileVersionInfoSize.find(), nullptr);
    try {
        missing.get();
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_NE(
            std::string(error.what()).find("\"version.dll\" lacks the function \"NoSuchFunction\""),
            std::string::npos)
            << error.what();
    }
}

} // namespace
} // namespace velk::win32
