#pragma once
// How far long work has come, as the work tells whoever shows it.

#include <cstddef>

namespace velk {

// Told how far long work has come: how many steps it takes, then each step as it is done. Called
// on the thread that runs the work.
class WorkProgress {
  public:
    virtual ~WorkProgress() = default;
    virtual void setTotal(std::size_t total) = 0;
    virtual void step() = 0;
};

} // namespace velk
