#include "platform/win32/win32_registry.h"

#include <windows.h>

#include "platform/app_error.h"
#include "platform/win32/unique_handles.h"

namespace velk::win32 {
namespace {

class Win32RegistryKey : public RegistryKey {
  public:
    explicit Win32RegistryKey(UniqueHkey key) : key_(std::move(key)) {}

    std::string readString(const std::string& valueName) override {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG status =
            RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        // The value may change between the calls: ask again with the size it now reports
        // until the data fits.
        std::string data;
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
            // One spare byte, so that data stored without its terminating NUL still ends in one.
            data.assign(static_cast<std::size_t>(size) + 1, '\0');
            DWORD got = size;
            status = RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &got);
            if (status == ERROR_SUCCESS) {
                if (got == 0) {
                    return "";
                }
                if (type != REG_SZ && type != REG_EXPAND_SZ) {
                    throw AppError("Invalid data type for '" + valueName + "'");
                }
                data.resize(got < size ? got : size);
                break;
            }
            size = got; // ERROR_MORE_DATA: grown meanwhile; other errors end the loop above
        }
        const auto nul = data.find('\0');
        if (nul != std::string::npos) {
            data.resize(nul);
        }
        return data;
    }

  private:
    UniqueHkey key_;
};

std::unique_ptr<RegistryKey> openKey(HKEY root, const std::string& path, REGSAM access) {
    UniqueHkey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS || !key) {
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
