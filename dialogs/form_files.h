#pragma once
// The file list dialog (placeholder until it lands).

#include "platform/form.h"
#include "platform/platform.h"

namespace velk {

class TFormInstall;

class TFormFiles : public Form {
  public:
    TFormFiles(Platform& platform, TFormInstall& main) : platform_(platform), main_(main) {}
    FormLayout layout() override {
        return {"File List", FrameKind::FixedDialog, Placement::OwnerCenter, 0, 0, 374, 293, {}};
    }

  private:
    [[maybe_unused]] Platform& platform_;
    [[maybe_unused]] TFormInstall& main_;
};

} // namespace velk
