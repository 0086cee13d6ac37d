#pragma once
// The file list dialog (placeholder until it lands).

#include "platform/form.h"
#include "platform/platform.h"

namespace velk {

class TFormFiles : public Form {
  public:
    explicit TFormFiles(Platform& platform) : platform_(platform) {}
    FormLayout layout() override {
        return {"File List", FrameKind::FixedDialog, Placement::OwnerCenter, 0, 0, 374, 293, {}};
    }

  private:
    Platform& platform_;
};

} // namespace velk
