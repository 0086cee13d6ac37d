#pragma once

#include <string>
#include <vector>

#include "platform/process_starter.h"

namespace velk::testing {

class FakeProcessStarter : public ProcessStarter {
  public:
    std::vector<std::string> started;
    void startProgram(const std::string& commandLine) override { started.push_back(commandLine); }
};

} // namespace velk::testing
