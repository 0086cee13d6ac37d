#pragma once
// The file system through the ANSI functions of kernel32.

#include "platform/file_system.h"

namespace velk::win32 {

class Win32FileSystem : public FileSystem {
  public:
    bool folderExists(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    void enumerate(const std::string& pattern,
                   const std::function<void(const DirEntry&)>& visit) override;
    bool setCurrentFolder(const std::string& path) override;
    std::string programFolder() override;
    bool copyFile(const std::string& from, const std::string& to) override;
    bool createFolder(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    std::string windowsFolder() override;
    std::string readFile(const std::string& path) override;
    std::string ansiToUtf8(std::string_view text) override; // in win32_ansi_text.cpp
};

// The system's text for an error code, without the trailing line break and full stop.
std::string systemErrorText(unsigned long errorCode);

} // namespace velk::win32
