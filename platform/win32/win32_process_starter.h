#pragma once
// Starts programs with CreateProcessW; the command line is UTF-8.

#include "platform/process_starter.h"

namespace velk::win32 {

class Win32ProcessStarter : public ProcessStarter {
  public:
    void startProgram(const std::string& commandLine) override;
};

} // namespace velk::win32
