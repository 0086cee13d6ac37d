#pragma once
// The registry through the wide functions of advapi32: HKLM in the 32-bit view, HKCR, text
// values as UTF-8.

#include "platform/registry.h"

namespace velk::win32 {

class Win32Registry : public Registry {
  public:
    std::unique_ptr<RegistryKey> openLocalMachine(const std::string& path) override;
    std::unique_ptr<RegistryKey> openClassesRoot(const std::string& path) override;
};

} // namespace velk::win32
