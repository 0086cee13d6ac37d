// What an earlier run left, and who may change it: a small regular file read without following
// a link, the owner of a file or folder, and a folder made for the administrators only.

#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/file_security.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_file_system.h"

namespace velk::win32 {
namespace {

static_assert(kErrorFileTooLarge == ERROR_FILE_TOO_LARGE);

// A SID in storage of its own, DWORD-aligned as the security functions want it.
class Sid {
  public:
    static std::optional<Sid> wellKnown(WELL_KNOWN_SID_TYPE type) {
        Sid sid;
        DWORD size = sizeof sid.bytes_;
        if (!CreateWellKnownSid(type, nullptr, sid.get(), &size)) {
            return std::nullopt;
        }
        return sid;
    }
    PSID get() { return bytes_.data(); }

  private:
    std::array<DWORD, (SECURITY_MAX_SID_SIZE + sizeof(DWORD) - 1) / sizeof(DWORD)> bytes_{};
};

// One class of information about the process's own token, in DWORD-aligned storage; empty when
// it cannot be read.
std::vector<DWORD> processTokenInformation(TOKEN_INFORMATION_CLASS kind) {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return {};
    }
    DWORD size = 0;
    GetTokenInformation(token.get(), kind, nullptr, 0, &size);
    if (size == 0) {
        return {};
    }
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    if (!GetTokenInformation(token.get(), kind, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size)) {
        return {};
    }
    return buffer;
}

bool isWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    return IsWellKnownSid(sid, type) != FALSE;
}

// The administrators, the system, and the user this process runs as (its token's user and the
// owner it gives what it makes, which is the administrators when it runs elevated).
bool isTrustedOwner(PSID owner) {
    if (isWellKnown(owner, WinBuiltinAdministratorsSid) || isWellKnown(owner, WinLocalSystemSid)) {
        return true;
    }
    // The process's token does not change while it runs.
    static const std::vector<DWORD> user = processTokenInformation(TokenUser);
    static const std::vector<DWORD> defaultOwner = processTokenInformation(TokenOwner);
    if (!user.empty() &&
        EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) {
        return true;
    }
    return !defaultOwner.empty() &&
           EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner);
}

enum class Acls { Kept, NotKept, Unknown };

// Whether the volume of an open file keeps security descriptors (NTFS and ReFS do; FAT, exFAT
// and many file servers do not).
Acls aclsOf(HANDLE file) {
    DWORD flags = 0;
    if (GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
        return (flags & FILE_PERSISTENT_ACLS) != 0 ? Acls::Kept : Acls::NotKept;
    }
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ? Acls::NotKept
                                                                           : Acls::Unknown;
}

// Whether this process may act for the administrators: its token is elevated, or holds the
// administrators as an enabled group (without user account control, or as the system).
bool runsElevated() {
    const std::vector<DWORD> elevation = processTokenInformation(TokenElevation);
    if (!elevation.empty() &&
        reinterpret_cast<const TOKEN_ELEVATION*>(elevation.data())->TokenIsElevated != 0) {
        return true;
    }
    std::optional<Sid> administrators = Sid::wellKnown(WinBuiltinAdministratorsSid);
    BOOL member = FALSE;
    return administrators && CheckTokenMembership(nullptr, administrators->get(), &member) &&
           member;
}

// The folder that holds `full`, with its closing backslash: "C:\a\" for "C:\a\b"; empty for a
// root.
std::string parentOf(std::string full) {
    while (!full.empty() && full.back() == '\\') {
        full.pop_back();
    }
    const std::size_t slash = full.find_last_of('\\');
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

// Room in an ACL for an access-allowed entry naming `sid`.
DWORD allowedAceSize(PSID sid) {
    return static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid));
}

} // namespace

std::vector<DWORD> administratorsFolderAcl(const ACL* parentDacl) {
    std::optional<Sid> administrators = Sid::wellKnown(WinBuiltinAdministratorsSid);
    std::optional<Sid> system = Sid::wellKnown(WinLocalSystemSid);
    std::optional<Sid> users = Sid::wellKnown(WinBuiltinUsersSid);
    if (!administrators || !system || !users) {
        return {};
    }
    auto* parent = const_cast<PACL>(parentDacl); // the ACL functions take no const
    std::size_t size = sizeof(ACL) + allowedAceSize(administrators->get()) +
                       allowedAceSize(system->get()) + allowedAceSize(users->get());
    BYTE revision = ACL_REVISION;
    if (parent != nullptr) {
        ACL_SIZE_INFORMATION used{};
        if (!GetAclInformation(parent, &used, sizeof used, AclSizeInformation)) {
            return {};
        }
        size += used.AclBytesInUse;
        revision = std::max(revision, parent->AclRevision);
    }
    if (size > 0xFFFC) { // an ACL's size is a WORD, kept DWORD-aligned
        SetLastError(ERROR_INVALID_ACL);
        return {};
    }
    std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* acl = reinterpret_cast<PACL>(storage.data());
    if (!InitializeAcl(acl, static_cast<DWORD>(storage.size() * sizeof(DWORD)), revision)) {
        return {};
    }
    // The parent's inheritable entries, in the parent's order, each as an entry of this folder's
    // own (not inherited: the list is protected) that gives nothing on the folder itself.
    for (DWORD i = 0; parent != nullptr && i < parent->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(parent, i, &entry)) {
            return {};
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if ((header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) == 0) {
            continue;
        }
        void* added = nullptr;
        if (!AddAce(acl, revision, MAXDWORD, entry, header->AceSize) ||
            !GetAce(acl, acl->AceCount - 1, &added)) {
            return {};
        }
        BYTE& flags = static_cast<ACE_HEADER*>(added)->AceFlags;
        flags = static_cast<BYTE>((flags | INHERIT_ONLY_ACE) & ~INHERITED_ACE);
    }
    // The administrators and the system may do anything to the folder and what is in it; users
    // may list and read the folder itself; nobody else may add, rename or delete in it.
    const BYTE everything = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if (!AddAccessAllowedAceEx(acl, ACL_REVISION, everything, FILE_ALL_ACCESS,
                               administrators->get()) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, everything, FILE_ALL_ACCESS, system->get()) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, 0, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE,
                               users->get())) {
        return {};
    }
    return storage;
}

namespace {

// Opens a regular file of at most `limit` bytes to read, and tells its size.
FsResult openSmallFile(Win32FileSystem& files, const std::string& path, const std::wstring& system,
                       std::size_t limit, UniqueHandle& opened, std::uint64_t& size) {
    // A link is opened as itself, and refused below; a folder cannot be opened without backup
    // semantics and fails with access denied, as it should.
    UniqueHandle file(CreateFileW(system.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return FsResult::failure(GetLastError());
    }
    // A device (NUL, CON, a serial port) or a pipe is never read: reading one may wait forever
    // or take what is meant for somebody else.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return FsResult::failure(ERROR_ACCESS_DENIED);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        return FsResult::failure(GetLastError());
    }
    // Wine opens a link to a file as the file it leads to, whatever the flags: it is known by
    // its place, as isLink tells it.
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        files.isLink(path)) {
        return FsResult::failure(ERROR_ACCESS_DENIED);
    }
    // Nor one that could be changed through another name, or that another user made.
    if (info.nNumberOfLinks != 1 || ownerOfOpen(file.get()) == FileSystem::Owner::Other) {
        return FsResult::failure(ERROR_ACCESS_DENIED);
    }
    size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > limit) {
        return FsResult::failure(ERROR_FILE_TOO_LARGE);
    }
    opened = std::move(file);
    return {};
}

} // namespace

FsResult Win32FileSystem::readSmallFile(const std::string& path, std::size_t limit,
                                        std::string& content) {
    UniqueHandle file;
    std::uint64_t size = 0;
    const FsResult opened = openSmallFile(*this, path, systemPath(path), limit, file, size);
    if (!opened) {
        return opened;
    }
    // One byte more than the limit allows tells a file that grew past it since its size was
    // taken.
    std::string read;
    const std::size_t most = limit == SIZE_MAX ? limit : limit + 1;
    if (const unsigned long error =
            readToEnd(file.get(), static_cast<std::size_t>(size), most, read)) {
        return FsResult::failure(error);
    }
    if (read.size() > limit) {
        return FsResult::failure(ERROR_FILE_TOO_LARGE);
    }
    content = std::move(read);
    return {};
}

FsResult Win32FileSystem::readFilePiece(const std::string& path, std::size_t limit,
                                        std::uint64_t offset, std::size_t size, std::string& piece,
                                        std::uint64_t& fileSize) {
    UniqueHandle file;
    const FsResult opened = openSmallFile(*this, path, systemPath(path), limit, file, fileSize);
    if (!opened) {
        return opened;
    }
    piece.clear();
    if (offset >= fileSize) {
        return {};
    }
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
        return FsResult::failure(GetLastError());
    }
    std::string read(static_cast<std::size_t>(std::min<std::uint64_t>(size, fileSize - offset)),
                     '\0');
    std::size_t filled = 0;
    while (filled < read.size()) {
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(read.size() - filled, std::size_t{1} << 24));
        if (!ReadFile(file.get(), read.data() + filled, want, &got, nullptr)) {
            return FsResult::failure(GetLastError());
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    read.resize(filled);
    piece = std::move(read);
    return {};
}

FileSystem::Owner ownerOfOpen(void* handle) {
    PSID owner = nullptr;
    UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
    const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, descriptor.put());
    if (error == ERROR_SUCCESS && owner != nullptr && isTrustedOwner(owner)) {
        return FileSystem::Owner::Trusted;
    }
    // Asked only now: where the volume keeps no owners, what the call gave tells nothing.
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
        aclsOf(handle) == Acls::NotKept) {
        return FileSystem::Owner::NotKept;
    }
    return FileSystem::Owner::Other;
}

FileSystem::Owner Win32FileSystem::ownerOf(const std::string& path) {
    // The entry itself, a link included, never what a link leads to.
    const UniqueHandle file(
        CreateFileW(systemPath(path).c_str(), READ_CONTROL,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // What cannot be opened to read its owner (missing, or its owner keeps us out) is nothing
    // this program can vouch for.
    if (!file) {
        return Owner::Other;
    }
    return ownerOfOpen(file.get());
}

FsResult Win32FileSystem::restrictToAdministrators(const std::string& path) {
    if (!runsElevated()) {
        return {};
    }
    const UniqueHandle folder(
        CreateFileW(systemPath(path).c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        return FsResult::failure(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.get(), &info)) {
        return FsResult::failure(GetLastError());
    }
    // Never a link: the rights of whatever it leads to are not ours to change.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return FsResult::failure(ERROR_ACCESS_DENIED);
    }
    if (aclsOf(folder.get()) != Acls::Kept) {
        return {};
    }
    std::optional<Sid> administrators = Sid::wellKnown(WinBuiltinAdministratorsSid);
    if (!administrators) {
        return FsResult::failure(GetLastError());
    }
    const auto setRights = [&](std::vector<DWORD>& acl) {
        if (acl.empty()) {
            return FsResult::failure(GetLastError());
        }
        // Protected: nothing the parent lets others do reaches this file or folder itself.
        const DWORD set = SetSecurityInfo(folder.get(), SE_FILE_OBJECT,
                                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                              PROTECTED_DACL_SECURITY_INFORMATION,
                                          administrators->get(), nullptr,
                                          reinterpret_cast<PACL>(acl.data()), nullptr);
        return set == ERROR_SUCCESS ? FsResult() : FsResult::failure(set);
    };
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // A file of the work's own (its mark, its journal): nothing of the parent's.
        std::vector<DWORD> acl = administratorsFolderAcl(nullptr);
        return setRights(acl);
    }

    // The installation makes each file ready inside this folder and then moves it into the
    // target, the folder's parent. A move keeps a file's security descriptor: nothing is
    // inherited anew from where it lands. So what is made here must inherit exactly what the
    // parent would give it: the parent's inheritable entries, copied here as inherit-only
    // entries (they give nothing on this folder itself), in the parent's order.
    const std::string parent = parentOf(fullPath(path));
    if (parent.empty()) {
        return FsResult::failure(ERROR_INVALID_NAME);
    }
    const UniqueHandle parentFolder(
        CreateFileW(systemPath(parent).c_str(), READ_CONTROL,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parentFolder) {
        return FsResult::failure(GetLastError());
    }
    PACL parentDacl = nullptr;
    UniqueLocal<PSECURITY_DESCRIPTOR> parentDescriptor;
    DWORD error = GetSecurityInfo(parentFolder.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, &parentDacl, nullptr, parentDescriptor.put());
    if (error != ERROR_SUCCESS) {
        return FsResult::failure(error);
    }
    std::vector<DWORD> acl = administratorsFolderAcl(parentDacl);
    return setRights(acl);
}

} // namespace velk::win32
