#pragma once
// The standard message boxes, owned by the active window of the calling thread.

#include "platform/message_boxes.h"

namespace velk::win32 {

class Win32MessageBoxes : public MessageBoxes {
  public:
    void error(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void errorReport(const std::string& text) override;
};

} // namespace velk::win32
