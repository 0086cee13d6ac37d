#pragma once
// The run log as a file: opened for appending only, each line handed to the system as one write.

#include <string>

#include "platform/log_file.h"
#include "platform/win32/unique_handles.h"

namespace velk::win32 {

class Win32LogFile : public LogFile {
  public:
    std::string temporaryFolder() override;
    bool open(const std::string& path) override;
    bool writeLine(const std::string& text) override;
    std::string systemMessage(unsigned long error) override;
    std::string programVersion() override;

  private:
    UniqueHandle file_;
};

// The line that writeLine writes for `text` at `time`: "YYYY-MM-DD HH:MM:SS.mmm text\r\n".
std::string stampedLine(const SYSTEMTIME& time, const std::string& text);

} // namespace velk::win32
