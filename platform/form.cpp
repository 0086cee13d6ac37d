#include "platform/form.h"

#include <utility>

#include "platform/scope_exit.h"

namespace velk {

namespace {

// Counts nothing: long work without a window to show it.
class NoProgress : public WorkProgress {
  public:
    void setTotal(std::size_t) override {}
    void step() override {}
};

} // namespace

void FormView::runWork(const std::string&, const Work& work) {
    NoProgress progress;
    work(progress);
}

void Form::runWork(const std::string& reason, const Work& work) {
    std::vector<std::pair<Control*, bool>> enabling;
    for (const ControlLayout& control : layout().controls) {
        // Texts, frames and pictures take no input: they stay as they are, readable.
        if (control.kind != ControlKind::Label && control.kind != ControlKind::GroupBox &&
            control.kind != ControlKind::Picture) {
            enabling.emplace_back(control.control, control.control->enabled());
        }
    }
    working_ = true;
    // Undone however the work ends, an error included.
    const auto restore = scopeExit([this, &enabling] {
        working_ = false;
        for (auto& [control, enabled] : enabling) {
            control->setEnabled(enabled);
        }
    });
    for (auto& [control, enabled] : enabling) {
        control->setEnabled(false);
    }
    if (view_ != nullptr) {
        view_->runWork(reason, work);
    } else {
        NoProgress progress;
        work(progress);
    }
}

} // namespace velk
