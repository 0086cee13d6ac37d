#pragma once
// A window as the logic sees it: a layout table to be built from, and the few things a handler
// asks of its window (close it, show it modally). The window binding in platform/win32/ is the
// FormView of a real window; tests bind their own.

#include <string>
#include <vector>

#include "platform/controls.h"

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
};

enum class FrameKind {
    FixedDialog, // no resizing, no minimise or maximise box, only the close box
    Resizable,   // resizable with system menu, minimise and maximise boxes
};

enum class Placement {
    ScreenCenter, // centred on the screen
    OwnerCenter,  // centred over the main window the first time, never at a negative coordinate
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
};

class FormView {
  public:
    virtual ~FormView() = default;
    virtual ModalResult showModal() = 0;
    // Ends a modal showing with `result`, or closes the main window (which ends the program).
    virtual void close(ModalResult result) = 0;
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

    void close(ModalResult result = ModalResult::Cancel) {
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

  private:
    FormView* view_ = nullptr;
    bool closed_ = false;
    ModalResult modalResult_ = ModalResult::None;
};

} // namespace velk
