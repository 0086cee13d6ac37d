#pragma once
// Read-only access to the registry. Keys are opened and closed within one operation; nothing is
// cached.

#include <memory>
#include <string>

namespace velk {

class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    // Reads a value as text: absent or of zero size gives "", REG_SZ and REG_EXPAND_SZ give the
    // data up to the first NUL (never expanded). Any other type throws
    // AppError("Invalid data type for '<valueName>'").
    virtual std::string readString(const std::string& valueName) = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // Opens a subkey of HKEY_LOCAL_MACHINE for reading in the 32-bit view, never creating it.
    // `path` has no leading backslash. Returns null when the key cannot be opened.
    virtual std::unique_ptr<RegistryKey> openLocalMachine(const std::string& path) = 0;
    // Opens a subkey of HKEY_CLASSES_ROOT ("" is the root itself), asking KEY_READ, then
    // STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, then KEY_QUERY_VALUE.
    // Returns null when all three are refused.
    virtual std::unique_ptr<RegistryKey> openClassesRoot(const std::string& path) = 0;
};

} // namespace velk
