// The host suite's registry keys and the unattended-install key, written as a suite's own
// installer would: HKLM, 32-bit view.
#include <windows.h>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

namespace {

constexpr const char* kVendorKey = "Software\\Velk-Marden";

std::string globalKey(const std::string& version) {
    return std::string(kVendorKey) + "\\dorvan5\\" + version + "\\global";
}

win32::UniqueHkey createKey(const std::string& path) {
    win32::UniqueHkey key;
    const LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, win32::toWide(path).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_WOW64_32KEY,
                                        nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) {
        throw DriverError("cannot create HKLM\\" + path + ": error " + std::to_string(result));
    }
    return key;
}

void setString(const std::string& path, const std::string& name, const std::string& value) {
    win32::UniqueHkey key = createKey(path);
    const std::wstring data = win32::toWide(value);
    const LONG result = RegSetValueExW(key.get(), win32::toWide(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) {
        throw DriverError("cannot write " + name + " in HKLM\\" + path + ": error " +
                          std::to_string(result));
    }
}

void deleteTree(const std::string& path, REGSAM view) {
    win32::UniqueHkey key;
    const std::wstring widePath = win32::toWide(path);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, widePath.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    RegDeleteTreeW(key.get(), nullptr);
    key.reset();
    const LONG result = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, widePath.c_str(), view, 0);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        throw DriverError("cannot delete HKLM\\" + path + ": error " + std::to_string(result));
    }
}

} // namespace

HostFolders addHostVersion(const std::string& root, const std::string& version) {
    const std::string base = root + "\\" + version;
    HostFolders folders{base + "\\Apps", base + "\\Std", base + "\\App", base + "\\Usr"};
    for (const std::string* folder : {&folders.apps, &folders.std, &folders.app, &folders.usr}) {
        makeFolder(*folder);
    }
    setHostValue(version, "AppsDir", folders.apps);
    setHostValue(version, "StdLibDir", folders.std);
    setHostValue(version, "AppLibDir", folders.app);
    setHostValue(version, "UsrLibDir", folders.usr);
    return folders;
}

void setHostValue(const std::string& version, const std::string& name, const std::string& value) {
    setString(globalKey(version), name, value);
}

void setHostDword(const std::string& version, const std::string& name, DWORD value) {
    win32::UniqueHkey key = createKey(globalKey(version));
    const LONG result = RegSetValueExW(key.get(), win32::toWide(name).c_str(), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (result != ERROR_SUCCESS) {
        throw DriverError("cannot write " + name + ": error " + std::to_string(result));
    }
}

void deleteHostKey(const std::string& version) {
    deleteTree(globalKey(version), KEY_WOW64_32KEY);
}

void setUnattended(const std::string& path, const std::string& language,
                   const std::string& silent) {
    const std::string key = std::string(kVendorKey) + "\\dorvan5\\1.4\\Installer";
    setString(key, "Path", path);
    setString(key, "Language", language);
    setString(key, "Silent", silent);
}

void setUnattendedLog(const std::string& logFile) {
    setUnattendedValue("Log", logFile);
}

void setUnattendedValue(const std::string& name, const std::string& value) {
    setString(std::string(kVendorKey) + "\\dorvan5\\1.4\\Installer", name, value);
}

void clearRegistry() {
    deleteTree(kVendorKey, KEY_WOW64_32KEY);
    deleteTree(kVendorKey, KEY_WOW64_64KEY);
}

} // namespace velk::e2e
