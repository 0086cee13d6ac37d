#pragma once

#include <string>
#include <vector>

#include "platform/process_starter.h"

namespace velk::testing {

class FakeProcessStarter : public ProcessStarter {
  public:
    std::vector<std::string> started;
    std::vector<std::string> folders; // the folder each was started in
    void startProgram(const std::string& commandLine, const std::string& folder) override {
        started.push_back(commandLine);
        folders.push_back(folder);
    }
};

} // namespace velk::testing
