#include "toolkit/win32/window_on_first_use.h"

namespace velk::win32 {

// Stands in for the view of one control until the window is made. A change of the control makes
// the window, whose real view then shows the control's state. For the folder tree it stands in
// for the shell too: a request to position the tree makes the window, then goes to the real tree.
class WindowOnFirstUse::Trigger : public ControlView, public ShellTreeNavigator {
  public:
    Trigger(WindowOnFirstUse& owner, Control& control, ShellTree* tree)
        : owner_(owner), control_(control), tree_(tree) {}
    Trigger(const Trigger&) = delete;
    Trigger& operator=(const Trigger&) = delete;

    void bind() { bindAs(this); }
    void release() { bindAs(nullptr); }

    void refresh() override { owner_.create(); }

    void selectFolder(const std::string& folder) override {
        owner_.create();
        if (owner_.created()) {
            tree_->selectFolder(folder);
        }
    }
    bool selectionIs(const std::string& folder) override {
        owner_.create();
        return owner_.created() && tree_->selects(folder);
    }

  private:
    void bindAs(Trigger* trigger) {
        control_.bindView(trigger);
        if (tree_ != nullptr) {
            tree_->bindNavigator(trigger);
        }
    }

    WindowOnFirstUse& owner_;
    Control& control_;
    ShellTree* tree_;
};

WindowOnFirstUse::WindowOnFirstUse(Form& form, FormWindow& window) : form_(form), window_(window) {
    for (const ControlLayout& control : form_.layout().controls) {
        ShellTree* tree = control.kind == ControlKind::ShellTree
                              ? static_cast<ShellTree*>(control.control)
                              : nullptr;
        triggers_.push_back(std::make_unique<Trigger>(*this, *control.control, tree));
    }
    arm();
}

// Once the window is made, its views have the controls: the triggers are no one's any more.
WindowOnFirstUse::~WindowOnFirstUse() {
    if (!created()) {
        for (const auto& trigger : triggers_) {
            trigger->release();
        }
        form_.bindView(nullptr);
    }
}

void WindowOnFirstUse::arm() {
    form_.bindView(this);
    for (const auto& trigger : triggers_) {
        trigger->bind();
    }
}

void WindowOnFirstUse::create() {
    // A control that changes while the window is being made (the tree reports its first
    // selection) is shown by its real view as soon as that exists.
    if (created() || creating_) {
        return;
    }
    creating_ = true;
    // The window binds the form and every control to itself as it makes them; a control it does
    // not manage to make must not be left with its trigger, which would only try again.
    for (const auto& trigger : triggers_) {
        trigger->release();
    }
    try {
        window_.create();
    } catch (...) {
        creating_ = false;
        if (window_.hwnd() != nullptr) {
            DestroyWindow(window_.hwnd());
        }
        // Whatever the window had taken over comes back to the triggers.
        arm();
        throw;
    }
    creating_ = false;
    if (!created()) {
        arm();
    }
}

ModalResult WindowOnFirstUse::showModal() {
    create();
    // From here on the form talks to the window directly; this call is the only one that comes
    // here with the window made.
    return created() ? window_.showModal() : ModalResult::Cancel;
}

void WindowOnFirstUse::close(ModalResult) {}

} // namespace velk::win32
