#pragma once
// The access control list that Win32FileSystem::restrictToAdministrators gives a folder, made
// apart from the folder so that it can be checked where the file system keeps no such list.

#include <windows.h>

#include <vector>

namespace velk::win32 {

// The administrators and the system may do anything to the folder and to what is made in it,
// users may read the folder itself, and what is made in it inherits the inheritable entries of
// `parentDacl` (the folder's parent's list; null for none) as if it were made in the parent.
// The list in DWORD-aligned storage; empty, with the reason as the last error, when it cannot
// be made (a parent's list too long to take into one).
std::vector<DWORD> administratorsFolderAcl(const ACL* parentDacl);

} // namespace velk::win32
