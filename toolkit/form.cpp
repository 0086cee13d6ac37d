#include "toolkit/form.h"

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

Form::InputHold::InputHold(Form& form) {
    for (const ControlLayout& control : form.layout().controls) {
        // Texts, frames and pictures take no input: they stay as they are, readable.
        if (control.kind != ControlKind::Label && control.kind != ControlKind::GroupBox &&
            control.kind != ControlKind::Picture) {
            enabling_.emplace_back(control.control, control.control->enabled());
        }
    }
    for (auto& [control, enabled] : enabling_) {
        control->setEnabled(false);
    }
}

Form::InputHold::~InputHold() {
    for (auto& [control, enabled] : enabling_) {
        control->setEnabled(enabled);
    }
}

void Form::runWork(const std::string& reason, const Work& work) {
    const InputHold held(*this);
    working_ = true;
    // Undone however the work ends, an error included.
    const auto ended = scopeExit([this] { working_ = false; });
    if (view_ != nullptr) {
        view_->runWork(reason, work);
    } else {
        NoProgress progress;
        work(progress);
    }
}

} // namespace velk
