#pragma once
// A window as the logic sees it: a layout table to be built from, and the few things a handler
// asks of its window (close it, show it modally, run long work). The window binding in
// platform/win32/ is the FormView of a real window; tests bind their own.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/work_progress.h"
#include "toolkit/controls.h"

namespace velk {

enum class ModalResult { None, Ok, Cancel };

enum class ControlKind {
    Label,      // static text, sized to its text when width and height are 0
    Edit,       // one-line text field
    Memo,       // read-only multi-line text without border, window-face colour, word wrap
    Button,     // push button
    RadioGroup, // framed group of radio buttons in one column
    GroupBox,   // frame with a caption
    Picture,    // picture box
    ListView,   // list in report view
    ShellTree,  // the shell's folder tree
};

struct ControlLayout {
    Control* control;
    ControlKind kind;
    const char* name;
    int left, top, width, height; // pixels of the parent's client area; 0, 0: sized to the text
    int tabOrder;                 // -1: not a tab stop
    Control* parent = nullptr;    // the group frame it sits in, or null for the window itself
    bool bold = false;
    // A label: the control it names. It is created directly before that control, whose name
    // screen readers take from it; an "&" in its text marks the access key that moves to it.
    Control* names = nullptr;
    // A control that no label names: its name for screen readers, shown nowhere.
    const char* accessibleName = nullptr;
};

struct LayoutRect {
    int left, top, width, height;
};

enum class FrameKind {
    FixedDialog, // no resizing, no minimise or maximise box, only the close box
    Resizable,   // resizable with system menu, minimise and maximise boxes
};

// Where a window first appears. Wherever that is, it is kept on the work area of its monitor
// (toolkit/window_placement.h): moved in where it would poke out, at the work area's top left
// when it is too big for it.
enum class Placement {
    ScreenCenter, // centred on the work area of its monitor
    OwnerCenter,  // centred over the main window the first time
    Designed,     // at left, top
};

struct FormLayout {
    std::string caption;
    FrameKind frame;
    Placement placement;
    int left, top;     // only for Placement::Designed
    int width, height; // client size for FixedDialog, outer size for Resizable
    std::vector<ControlLayout> controls;
    Control* defaultButton = nullptr; // Enter
    Control* cancelButton = nullptr;  // Escape
    // The font of the window's texts (8 points); empty: the font of the window's owner.
    std::string fontName{};
    // Where the progress of long work shows while it runs, on space that no control uses; a
    // window without it shows none.
    std::optional<LayoutRect> progressBar{};
    // The progress bar's name for screen readers.
    const char* progressBarName = nullptr;
};

using Work = std::function<void(WorkProgress&)>;

class FormView {
  public:
    virtual ~FormView() = default;
    virtual ModalResult showModal() = 0;
    // Ends a modal showing with `result`, or closes the main window (which ends the program).
    virtual void close(ModalResult result) = 0;
    // Runs `work` to its end and returns then, throwing whatever it threw. Meanwhile the window
    // repaints, shows the progress and answers the system, but runs none of its handlers and
    // holds back a log-off or shutdown, giving `reason`. The work may run on another thread, so
    // it must not touch anything the window uses: the controls, the window's state, and the
    // platform objects that the window thread uses.
    // This default runs it right here, without showing progress.
    virtual void runWork(const std::string& reason, const Work& work);
    // Runs `action` on the window's thread and returns once it has run, throwing whatever it
    // threw: a question that running work puts to the user (a message box owned by the window),
    // while the work waits for the answer. This default runs it right here.
    virtual void onWindowThread(const std::function<void()>& action) { action(); }
};

class Form {
  public:
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form() = default;

    virtual FormLayout layout() = 0;

    void bindView(FormView* view) { view_ = view; }
    bool closed() const { return closed_; }
    ModalResult modalResult() const { return modalResult_; }

    // Closes the window; refused while long work runs.
    void close(ModalResult result = ModalResult::Cancel) {
        if (working_) {
            return;
        }
        closed_ = true;
        modalResult_ = result;
        if (view_ != nullptr) {
            view_->close(result);
        }
    }
    ModalResult showModal() {
        closed_ = false;
        modalResult_ = ModalResult::None;
        return view_ != nullptr ? view_->showModal() : ModalResult::None;
    }

    // Every control of the window that takes input disabled for as long as this lives, and
    // afterwards enabled as it was before. Long work holds it; a task of several works and the
    // questions between them holds it across all of them, so that the controls are not enabled
    // and disabled again in between (each change repaints them while the window should answer).
    class InputHold {
      public:
        explicit InputHold(Form& form);
        InputHold(const InputHold&) = delete;
        InputHold& operator=(const InputHold&) = delete;
        ~InputHold();

      private:
        std::vector<std::pair<Control*, bool>> enabling_;
    };

    // Runs long work (FormView::runWork) with an InputHold and closing refused. Without a view
    // the work runs right here.
    void runWork(const std::string& reason, const Work& work);
    bool working() const { return working_; }
    // From running work: runs `action` on the window's thread (FormView::onWindowThread). Without
    // a view it runs right here.
    void onWindowThread(const std::function<void()>& action) {
        if (view_ != nullptr) {
            view_->onWindowThread(action);
        } else {
            action();
        }
    }

  private:
    FormView* view_ = nullptr;
    bool working_ = false;
    bool closed_ = false;
    ModalResult modalResult_ = ModalResult::None;
};

} // namespace velk
