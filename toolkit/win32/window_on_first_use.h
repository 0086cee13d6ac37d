#pragma once
// A dialog whose window is made only when the program first needs it, not at start-up: the
// first time one of its controls changes, its folder tree is positioned, or it is shown,
// whichever comes first. Until then its C++ form and controls live and keep their state as
// always; the window, once made, shows that state and is kept for the program's lifetime.
//
// The main window's handlers prepare a dialog (fill its list, set its texts, position its tree)
// right before they show it, so its window is made at that moment, and made before the first of
// those steps: each step then finds the window as if it had been there from the start.

#include <memory>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/shell_tree.h"
#include "toolkit/win32/window_binding.h"

namespace velk::win32 {

class WindowOnFirstUse : public FormView {
  public:
    // `window` is the dialog's window binding, not created yet; `form` its form.
    WindowOnFirstUse(Form& form, FormWindow& window);
    WindowOnFirstUse(const WindowOnFirstUse&) = delete;
    WindowOnFirstUse& operator=(const WindowOnFirstUse&) = delete;
    ~WindowOnFirstUse() override;

    // Makes the window now, if it is not made yet. An error while making it (the shell's DLLs
    // missing, for one) leaves no window behind and goes up to the caller; the next use tries
    // again.
    void create();
    bool created() const { return window_.hwnd() != nullptr; }

    // FormView: showing makes the window first; closing one never shown does nothing.
    ModalResult showModal() override;
    void close(ModalResult result) override;

  private:
    class Trigger;
    // Binds the form and its controls to this object and its triggers.
    void arm();

    Form& form_;
    FormWindow& window_;
    std::vector<std::unique_ptr<Trigger>> triggers_;
    bool creating_ = false;
};

} // namespace velk::win32
