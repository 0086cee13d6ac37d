// The handle owners close exactly once and hand ownership over on move.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/unique_handles.h"

namespace velk::win32 {
namespace {

bool isOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandles, CloseOnceAndMoveOwnership) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        UniqueHandle first(raw);
        EXPECT_TRUE(first);
        UniqueHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), raw);
        EXPECT_TRUE(isOpen(raw));
    }
    EXPECT_FALSE(isOpen(raw));

    UniqueHandle owner(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE previous = owner.get();
    HANDLE* slot = owner.put();
    EXPECT_FALSE(isOpen(previous));
    EXPECT_EQ(*slot, nullptr);
    *slot = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE kept = owner.release();
    EXPECT_FALSE(owner);
    EXPECT_TRUE(isOpen(kept));
    owner.reset(kept);
    owner = UniqueHandle();
    EXPECT_FALSE(isOpen(kept));

    EXPECT_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(UniqueFindHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(UniqueFindHandle());
}

TEST(UniqueHandles, KeysAndFindHandles) {
    UniqueHkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    HKEY raw = key.get();
    key.reset();
    DWORD subkeys = 0;
    EXPECT_NE(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);

    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(FindFirstFileA((std::string(windows) + "\\*").c_str(), &data));
    EXPECT_TRUE(find);
    EXPECT_TRUE(FindNextFileA(find.get(), &data));
}

} // namespace
} // namespace velk::win32
