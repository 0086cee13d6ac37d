#pragma once
// The message boxes of a benchmark run that nobody watches: nothing is shown, every question
// says No, and an error report goes to the standard error stream.

#include <cstdio>
#include <string>

#include "platform/message_boxes.h"

namespace velk::bench {

class SilentBoxes : public MessageBoxes {
  public:
    void error(const std::string&) override {}
    void information(const std::string&) override {}
    bool confirm(const std::string&) override { return false; }
    bool retry(const std::string&) override { return false; }
    void errorReport(const std::string& text) override {
        std::fprintf(stderr, "error report: %s\n", text.c_str());
    }
};

} // namespace velk::bench
