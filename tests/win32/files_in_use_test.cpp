// Files in use as the real system tells them: a file another opening holds, even one that
// shares its deletion (which still keeps a replacement from taking its place), is in use, one
// that is free or missing is not; the Restart Manager is loaded from the system
// folder and asked who holds them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files_in_use.h"
#include "tests/win32/test_support.h"

namespace velk::win32 {
namespace {

TEST(FilesInUseTest, NamesTheHeldFilesAndAsksTheRestartManagerWhoHoldsThem) {
    testing::TempFolder temp;
    Win32FileSystem files;
    const std::string held = temp / "held.zfb";
    const std::string free = temp / "free.zfb";
    const std::string shared = temp / "shared.zfb";
    ASSERT_TRUE(files.writeNewFile(held, "held"));
    ASSERT_TRUE(files.writeNewFile(free, "free"));
    ASSERT_TRUE(files.writeNewFile(shared, "shared"));
    std::unique_ptr<HeldFile> hold;
    ASSERT_TRUE(files.holdFile(held, hold));
    const UniqueHandle reader(CreateFileW(testing::systemPath(shared).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);

    Win32FilesInUse inUse;
    const FilesHeld found = inUse.check({free, held, temp / "missing.zfb", shared});

    EXPECT_EQ(found.files, (std::vector<std::string>{held, shared}));
    EXPECT_EQ(files.linkFile(shared, temp / "second.zfb").error(), kErrorSharingViolation);
    EXPECT_NE(GetModuleHandleW(L"rstrtmgr.dll"), nullptr) << "the Restart Manager was asked";
    hold.reset();
    EXPECT_TRUE(inUse.check({held}).empty());
}

// The Restart Manager names the program that holds the file: this one, by its name.
TEST(FilesInUseTest, TheRestartManagerNamesTheProgramThatHoldsAFile) {
    VELK_WINDOWS_ONLY("Wine's Restart Manager answers an empty list of programs");
    testing::TempFolder temp;
    Win32FileSystem files;
    const std::string held = temp / "held.zfb";
    ASSERT_TRUE(files.writeNewFile(held, "held"));
    std::unique_ptr<HeldFile> hold;
    ASSERT_TRUE(files.holdFile(held, hold));

    const FilesHeld found = Win32FilesInUse().check({held});
    ASSERT_EQ(found.programs.size(), 1u);
    EXPECT_EQ(found.programs[0].processId, GetCurrentProcessId());
    std::string name = found.programs[0].name;
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(name.find("win32_tests"), std::string::npos) << found.programs[0].name;
}

} // namespace
} // namespace velk::win32
