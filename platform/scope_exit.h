#pragma once
// Runs a function when the scope ends, however it ends (an exception included): what a function
// changes for a while is undone by the line written right after the change.
//
//   working_ = true;
//   const auto done = scopeExit([this] { working_ = false; });

#include <utility>

namespace velk {

template <typename Function> class ScopeExit {
  public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { function_(); }

  private:
    Function function_;
};

template <typename Function> [[nodiscard]] ScopeExit<Function> scopeExit(Function function) {
    return ScopeExit<Function>(std::move(function));
}

} // namespace velk
