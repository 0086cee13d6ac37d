#pragma once

#include <string>

namespace velk {

class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    // Starts the command line as a detached process and waits at most 10 s for it to become
    // ready for input. Reports nothing, whatever happens.
    virtual void startProgram(const std::string& commandLine) = 0;
};

} // namespace velk
