#pragma once
// The functions the program takes from the system DLLs that it loads on first use (COM, the
// shell, accessibility), each declared once with the type its system header gives it, one
// section a DLL. Each is looked up on its first call and kept (system_library.h); nothing here
// loads a DLL by itself.

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/win32/system_library.h"

namespace velk::win32 {

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

// --- oleacc.dll: accessibility --------------------------------------------------------------

// The class objects of oleacc.dll itself (the annotation service among them), taken from the
// system folder's copy rather than from wherever COM's registration points.
inline constinit const SystemFunction<decltype(&::DllGetClassObject)> oleaccClassObject{
    L"oleacc.dll", "DllGetClassObject"};

} // namespace velk::win32
