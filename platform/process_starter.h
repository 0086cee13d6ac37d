#pragma once

#include <string>

namespace velk {

class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    // Starts the command line as a detached process, in the folder `folder` (the program's own
    // current folder when empty), and waits at most 10 s for it to become ready for input.
    // Reports nothing, whatever happens.
    virtual void startProgram(const std::string& commandLine, const std::string& folder) = 0;
};

} // namespace velk
