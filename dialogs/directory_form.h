#pragma once
// The folder picker (placeholder until it lands).

#include "platform/form.h"
#include "platform/platform.h"

namespace velk {

class TDirectoryForm : public Form {
  public:
    explicit TDirectoryForm(Platform& platform) : platform_(platform) {}
    FormLayout layout() override {
        return {"Browse for Folder", FrameKind::Resizable, Placement::Designed, 402, 277, 296, 323,
                {}};
    }

  private:
    [[maybe_unused]] Platform& platform_;
};

} // namespace velk
