#include "platform/win32/win32_registry.h"

#include <windows.h>

#include "platform/app_error.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

class Win32RegistryKey : public RegistryKey {
  public:
    explicit Win32RegistryKey(UniqueHkey key) : key_(std::move(key)) {}

    std::string readString(const std::string& valueName) override {
        const std::wstring name = toWide(valueName);
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG status = RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, nullptr, &size);
        // The value may change between the calls: ask again with the size it now reports
        // until the data fits.
        std::wstring data;
        for (;;) {
            if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
                return ""; // absent (or unreadable): no text
            }
            if (size == 0) {
                return "";
            }
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                throw AppError("Invalid data type for '" + valueName + "'");
            }
            // Room for the data rounded up to whole characters and one spare NUL, so that data
            // stored without its terminating NUL (or with an odd byte count) still ends in one.
            data.assign(size / sizeof(wchar_t) + 2, L'\0');
            DWORD got = size;
            status = RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &got);
            if (status == ERROR_SUCCESS) {
                if (got == 0) {
                    return "";
                }
                if (type != REG_SZ && type != REG_EXPAND_SZ) {
                    throw AppError("Invalid data type for '" + valueName + "'");
                }
                // Whole characters only: a stray last byte is half of one, not a character.
                data.resize((got < size ? got : size) / sizeof(wchar_t));
                break;
            }
            size = got; // ERROR_MORE_DATA: grown meanwhile; other errors end the loop above
        }
        const auto nul = data.find(L'\0');
        if (nul != std::wstring::npos) {
            data.resize(nul);
        }
        return toUtf8(data);
    }

  private:
    UniqueHkey key_;
};

std::unique_ptr<RegistryKey> openKey(HKEY root, const std::string& path, REGSAM access) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, toWide(path).c_str(), 0, access, key.put()) != ERROR_SUCCESS || !key) {
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(key));
}

} // namespace

std::unique_ptr<RegistryKey> Win32Registry::openLocalMachine(const std::string& path) {
    // The host suite writes its keys from a 32-bit setup, so they live in the 32-bit view.
    // Reading is all this program does; full access would be refused to ordinary users.
    return openKey(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_WOW64_32KEY);
}

std::unique_ptr<RegistryKey> Win32Registry::openClassesRoot(const std::string& path) {
    // Some keys deny the notification right that KEY_READ includes; ask for less each time.
    for (REGSAM access :
         {static_cast<REGSAM>(KEY_READ),
          static_cast<REGSAM>(STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS),
          static_cast<REGSAM>(KEY_QUERY_VALUE)}) {
        if (auto key = openKey(HKEY_CLASSES_ROOT, path, access)) {
            return key;
        }
    }
    return nullptr;
}

} // namespace velk::win32
