#pragma once
// Keeps the lines of the log file it is told to open, without their time; may refuse to open or
// to write.

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/log_file.h"

namespace velk::testing {

class FakeLogFile : public LogFile {
  public:
    std::string temp = "C:\\Temp\\";
    std::string version = "1.0.0";
    std::map<unsigned long, std::string> messages = {
        {112, "There is not enough space on the disk"}};
    std::vector<std::string> unopenable; // files that cannot be opened: a read-only folder
    bool writeFails = false;             // a full disk
    std::string opened;                  // the file lines go to; "" while none is open
    std::vector<std::string> lines;

    std::string temporaryFolder() override { return temp; }
    bool open(const std::string& path) override {
        if (std::find(unopenable.begin(), unopenable.end(), path) != unopenable.end()) {
            return false;
        }
        opened = path;
        return true;
    }
    bool writeLine(const std::string& text) override {
        if (opened.empty() || writeFails) {
            return false;
        }
        lines.push_back(text);
        return true;
    }
    std::string systemMessage(unsigned long error) override {
        auto it = messages.find(error);
        return it == messages.end() ? std::string() : it->second;
    }
    std::string programVersion() override { return version; }
};

} // namespace velk::testing
