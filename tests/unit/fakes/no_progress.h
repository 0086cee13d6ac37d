#pragma once

#include <cstddef>

#include "platform/work_progress.h"

namespace velk::testing {

// Progress that nobody watches, for work run outside a window.
class NoProgress : public WorkProgress {
  public:
    void setTotal(std::size_t) override {}
    void step() override {}
};

} // namespace velk::testing
