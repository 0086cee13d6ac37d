#pragma once
// The shell's folder tree as the folder picker sees it (placeholder until the picker lands).

#include <functional>
#include <string>

#include "platform/controls.h"

namespace velk {

class ShellTree : public Control {
  public:
    std::function<void()> onChange;
};

} // namespace velk
