// What only Windows' own file system shows: who owns a folder and the list of rights that an
// elevated run gives its work folder, a folder of another account not vouched for, and a listing
// that marks every link, so that a walk need not ask each file where it lies.

#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "test_support.h"
#include "unix_links.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;

struct Security {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
};

Security securityOf(const std::string& path) {
    Security security;
    EXPECT_EQ(GetNamedSecurityInfoW(toWide(path).c_str(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                    &security.owner, nullptr, &security.dacl, nullptr,
                                    security.descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS))
        << path;
    DWORD revision = 0;
    GetSecurityDescriptorControl(security.descriptor.get(), &security.control, &revision);
    return security;
}

// The well-known account a SID is, WinNullSid for any other.
WELL_KNOWN_SID_TYPE accountOf(PSID sid) {
    for (WELL_KNOWN_SID_TYPE type : {WinWorldSid, WinBuiltinUsersSid, WinBuiltinAdministratorsSid,
                                     WinLocalSystemSid, WinAuthenticatedUserSid}) {
        if (sid != nullptr && IsWellKnownSid(sid, type)) {
            return type;
        }
    }
    return WinNullSid;
}

TEST(WindowsFileSystemTest, AnElevatedRunsWorkFolderBelongsToTheAdministratorsAlone) {
    VELK_WINDOWS_ONLY("Wine keeps no owners or lists of rights of its own: it makes them from the "
                      "Unix owner and mode");
    TempFolder temp;
    Win32FileSystem files;
    const std::string work = temp / "~VelkInstall.work";
    ASSERT_TRUE(files.createFolder(work));
    ASSERT_TRUE(files.restrictToAdministrators(work));

    const Security security = securityOf(work);
    EXPECT_EQ(accountOf(security.owner), WinBuiltinAdministratorsSid);
    EXPECT_NE(security.control & SE_DACL_PROTECTED, 0) << "what the parent gives reaches it";
    ASSERT_NE(security.dacl, nullptr);
    // On the folder itself: the administrators and the system may do everything, the users read.
    std::vector<std::pair<WELL_KNOWN_SID_TYPE, ACCESS_MASK>> own;
    for (DWORD i = 0; i < security.dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(security.dacl, i, &entry));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if ((ace->Header.AceFlags & INHERIT_ONLY_ACE) == 0) {
            ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
            own.emplace_back(accountOf(const_cast<DWORD*>(&ace->SidStart)), ace->Mask);
        }
    }
    EXPECT_EQ(own, (std::vector<std::pair<WELL_KNOWN_SID_TYPE, ACCESS_MASK>>{
                       {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                       {WinLocalSystemSid, FILE_ALL_ACCESS},
                       {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}}));
    EXPECT_EQ(files.ownerOf(work), FileSystem::Owner::Trusted);
    EXPECT_TRUE(files.removeFolder(work));
}

// Gives `path` to the local service's account, as a folder left by another account's run.
bool giveToAnotherAccount(const std::string& path) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
        return false;
    }
    const UniqueHandle tokenHolder(token);
    // Setting an owner other than oneself takes the privilege to restore files.
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) ||
        GetLastError() != ERROR_SUCCESS) {
        return false;
    }
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(WinLocalServiceSid, nullptr, sid.data(), &size)) {
        return false;
    }
    std::wstring wide = toWide(path);
    return SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                 sid.data(), nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(WindowsFileSystemTest, AFolderOfAnotherAccountIsNotVouchedFor) {
    VELK_WINDOWS_ONLY("Wine keeps no owners of its own: the only other owner it shows, another "
                      "Unix user's, is tested with the owners in FileSystemTest");
    TempFolder temp;
    Win32FileSystem files;
    const std::string foreign = temp / "~VelkInstall.work";
    ASSERT_TRUE(files.createFolder(foreign));
    ASSERT_TRUE(giveToAnotherAccount(foreign)) << "run as administrator";
    EXPECT_EQ(files.ownerOf(foreign), FileSystem::Owner::Other);
}

TEST(WindowsFileSystemTest, AListingMarksEveryLink) {
    VELK_WINDOWS_ONLY("Wine's listing shows a Unix link to a file as the plain file it leads to");
    TempFolder temp;
    Win32FileSystem files;
    ASSERT_TRUE(testing::writeFile(temp / "kept.lin", "kept"));
    ASSERT_TRUE(files.createFolder(temp / "real"));
    ASSERT_TRUE(testing::makeLink(temp / "file.lin", "kept.lin", false)) << "run as administrator";
    ASSERT_TRUE(testing::makeLink(temp / "folder", "real", true));
    std::map<std::string, std::uint32_t> attributes;
    ASSERT_TRUE(files.enumerate(
        temp / "*", [&](const DirEntry& entry) { attributes[entry.name] = entry.attributes; }));
    EXPECT_NE(attributes["file.lin"] & kAttributeReparsePoint, 0u);
    EXPECT_NE(attributes["folder"] & kAttributeReparsePoint, 0u);
    EXPECT_EQ(attributes["kept.lin"] & kAttributeReparsePoint, 0u);
    EXPECT_FALSE(files.linksLookPlain());
    testing::removeLink(temp / "file.lin");
    testing::removeLink(temp / "folder");
}

} // namespace
} // namespace velk::win32
