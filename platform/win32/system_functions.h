#pragma once
// Every function the program looks up at run time rather than importing, each declared once
// with the type its system header gives it, one section a DLL: those of the DLLs it loads on
// first use (COM, the shell, accessibility, version information, the Restart Manager), and those
// that only newer Windows have (taken with find(), null where missing). Each is looked up on its
// first call and kept (system_library.h); nothing here loads a DLL by itself.

#include <windows.h>

#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>
#include <restartmanager.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winternl.h>
#include <winver.h>

#include "platform/win32/system_library.h"

namespace velk::win32 {

// --- kernel32.dll (imported anyway): newer than the oldest Windows the program runs on -------

// Windows 8 and later; Windows 7 only with an update.
inline constinit const SystemFunction<decltype(&::SetDefaultDllDirectories)>
    setDefaultDllDirectories{L"kernel32.dll", "SetDefaultDllDirectories"};

// --- user32.dll (imported anyway): the resolution of each monitor, Windows 10 (1607) on -------

inline constinit const SystemFunction<decltype(&::GetDpiForWindow)> getDpiForWindow{
    L"user32.dll", "GetDpiForWindow"};
inline constinit const SystemFunction<decltype(&::AdjustWindowRectExForDpi)>
    adjustWindowRectExForDpi{L"user32.dll", "AdjustWindowRectExForDpi"};

// --- ntdll.dll (loaded in every process) -------------------------------------------------------

// A second name for a file through a handle already open to it (FileLinkInformation), which
// kernel32 offers only by a path that it opens once more.
inline constinit const SystemFunction<decltype(&::NtSetInformationFile)> ntSetInformationFile{
    L"ntdll.dll", "NtSetInformationFile"};
inline constinit const SystemFunction<decltype(&::RtlNtStatusToDosError)> rtlNtStatusToDosError{
    L"ntdll.dll", "RtlNtStatusToDosError"};

// Only Wine has it (no system header declares it): its presence tells Wine from Windows.
inline constinit const SystemFunction<const char*(CDECL*)()> wineGetVersion{L"ntdll.dll",
                                                                            "wine_get_version"};

// --- ole32.dll: COM ------------------------------------------------------------------------

inline constinit const SystemFunction<decltype(&::CoInitializeEx)> coInitializeEx{L"ole32.dll",
                                                                                  "CoInitializeEx"};
inline constinit const SystemFunction<decltype(&::CoUninitialize)> coUninitialize{L"ole32.dll",
                                                                                  "CoUninitialize"};
inline constinit const SystemFunction<decltype(&::CoCreateInstance)> coCreateInstance{
    L"ole32.dll", "CoCreateInstance"};
inline constinit const SystemFunction<decltype(&::CoTaskMemFree)> coTaskMemFree{L"ole32.dll",
                                                                                "CoTaskMemFree"};

// --- oleaut32.dll: automation texts -----------------------------------------------------------

inline constinit const SystemFunction<decltype(&::SysAllocStringLen)> sysAllocStringLen{
    L"oleaut32.dll", "SysAllocStringLen"};
inline constinit const SystemFunction<decltype(&::SysFreeString)> sysFreeString{L"oleaut32.dll",
                                                                                "SysFreeString"};

// --- shell32.dll: the shell namespace ------------------------------------------------------

inline constinit const SystemFunction<decltype(&::SHGetFileInfoW)> shGetFileInfo{L"shell32.dll",
                                                                                 "SHGetFileInfoW"};
inline constinit const SystemFunction<decltype(&::SHGetDataFromIDListW)> shGetDataFromIDList{
    L"shell32.dll", "SHGetDataFromIDListW"};
inline constinit const SystemFunction<decltype(&::SHMapPIDLToSystemImageListIndex)>
    shMapPidlToSystemImageListIndex{L"shell32.dll", "SHMapPIDLToSystemImageListIndex"};
inline constinit const SystemFunction<decltype(&::SHGetDesktopFolder)> shGetDesktopFolder{
    L"shell32.dll", "SHGetDesktopFolder"};
inline constinit const SystemFunction<decltype(&::SHGetSpecialFolderLocation)>
    shGetSpecialFolderLocation{L"shell32.dll", "SHGetSpecialFolderLocation"};
inline constinit const SystemFunction<decltype(&::ILGetNext)> ilGetNext{L"shell32.dll",
                                                                        "ILGetNext"};
inline constinit const SystemFunction<decltype(&::ILFindLastID)> ilFindLastId{L"shell32.dll",
                                                                              "ILFindLastID"};
inline constinit const SystemFunction<decltype(&::ILCombine)> ilCombine{L"shell32.dll",
                                                                        "ILCombine"};
inline constinit const SystemFunction<decltype(&::ILCloneFirst)> ilCloneFirst{L"shell32.dll",
                                                                              "ILCloneFirst"};

// --- shlwapi.dll ---------------------------------------------------------------------------

inline constinit const SystemFunction<decltype(&::StrRetToStrW)> strRetToStr{L"shlwapi.dll",
                                                                             "StrRetToStrW"};

// --- version.dll: the program's version, for the run log -----------------------------------

inline constinit const SystemFunction<decltype(&::GetFileVersionInfoSizeW)> getFileVersionInfoSize{
    L"version.dll", "GetFileVersionInfoSizeW"};
inline constinit const SystemFunction<decltype(&::GetFileVersionInfoW)> getFileVersionInfo{
    L"version.dll", "GetFileVersionInfoW"};
inline constinit const SystemFunction<decltype(&::VerQueryValueW)> verQueryValue{L"version.dll",
                                                                                 "VerQueryValueW"};

// --- oleacc.dll: accessibility --------------------------------------------------------------

// The class objects of oleacc.dll itself (the annotation service among them), taken from the
// system folder's copy rather than from wherever COM's registration points.
inline constinit const SystemFunction<decltype(&::DllGetClassObject)> oleaccClassObject{
    L"oleacc.dll", "DllGetClassObject"};
// What a screen reader asks of a window (the tests ask it as readers do).
inline constinit const SystemFunction<decltype(&::AccessibleObjectFromWindow)>
    accessibleObjectFromWindow{L"oleacc.dll", "AccessibleObjectFromWindow"};

// --- rstrtmgr.dll: who holds a file (Windows Vista on; taken with find()) ----------------------

inline constinit const SystemFunction<decltype(&::RmStartSession)> rmStartSession{L"rstrtmgr.dll",
                                                                                  "RmStartSession"};
inline constinit const SystemFunction<decltype(&::RmRegisterResources)> rmRegisterResources{
    L"rstrtmgr.dll", "RmRegisterResources"};
inline constinit const SystemFunction<decltype(&::RmGetList)> rmGetList{L"rstrtmgr.dll",
                                                                        "RmGetList"};
inline constinit const SystemFunction<decltype(&::RmEndSession)> rmEndSession{L"rstrtmgr.dll",
                                                                              "RmEndSession"};

} // namespace velk::win32
