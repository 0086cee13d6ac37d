#pragma once
// The window binding: builds a real top-level window from a Form's layout table and keeps every
// control in step both ways. The C++ controls hold the state; each one is bound to a view that
// shows its state at once, and every user action comes back through the control's own setters
// (RadioGroup::setItemIndex, Edit::setText, Button::click, ListView::select/dblClick), so the
// rules about when a handler runs are those of toolkit/controls.h whoever acts.
//
// Window classes, for whoever looks for the windows from outside (end-to-end drivers): every
// form window is registered under the class name given to FormWindow (the program uses
// "TFormInstall", "TFormFiles" and "TDirectoryForm"); the picture box is "VelkPicture"; all
// other controls are the system's own classes (Static, Edit, Button, SysListView32, ...).

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "toolkit/form.h"
#include "toolkit/win32/control_host.h"
#include "toolkit/win32/win32_control_view.h"
#include "toolkit/win32/window_names.h"
#include "toolkit/window_placement.h"

namespace velk::win32 {

class TaskbarProgress;

// Runs a handler on behalf of the user; an error that the handler does not handle goes to the
// program's general error report. The program's entry hands it to every form window.
using RunReportingErrors = std::function<void(const std::function<void()>&)>;

class FormWindow : public FormView, public ControlHost {
  public:
    // `owner` is the main window for a dialog; a window without owner is the main window, whose
    // closing ends the program's message loop.
    FormWindow(Form& form, RunReportingErrors runReportingErrors, const char* className,
               FormWindow* owner = nullptr);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    ~FormWindow() override;

    // Creates the window, hidden, with every control of the form's layout.
    void create();
    HWND hwnd() const override { return hwnd_; }
    bool isMainWindow() const { return owner_ == nullptr; }

    // Main window: shows it at its place (the message loop then activates it).
    void show();

    // What the frame's close box does. Default: close(Cancel). The main window's owner sets it to
    // the Exit button's handler.
    std::function<void()> onCloseBox;
    // Runs after the main window became active and has been painted (FormActivate).
    std::function<void()> onActivate;
    // Runs when the main window closes, before it is destroyed (FormClose).
    std::function<void()> onClosing;

    // Runs `action` once the window has had nothing else to do for a moment (a timer, whose
    // message comes only when no other message waits), or right before the next handler of one
    // of this window's controls, whichever comes first: work that must be done before the user
    // can use it, but need not delay the window's showing. An error goes to the general error
    // report.
    void runWhenIdle(std::function<void()> action);

    // FormView.
    ModalResult showModal() override;
    void close(ModalResult result) override;
    // Runs the work on a thread of its own while this thread keeps handling the windows'
    // messages (window_work.cpp): the progress bar of the layout and the taskbar button show how
    // far it has come, the mouse shows the wait cursor over the window, the window cannot be
    // closed and holds back a log-off or shutdown, and no handler runs.
    void runWork(const std::string& reason, const Work& work) override;
    bool working() const { return working_; }
    // Sends `action` to this window's thread (kOnWindowThread) when called from another.
    void onWindowThread(const std::function<void()>& action) override;
    // Sent to the window by the work's thread: lParam points to the action to run here.
    static constexpr UINT kOnWindowThread = WM_APP + 3;
    // Posted to the window by the work's thread: wParam steps done of lParam.
    static constexpr UINT kWorkProgressMessage = WM_APP + 2;
    // Posted to the main window when it becomes active; handled once the activation is over.
    static constexpr UINT kActivated = WM_APP + 1;
    // The timer of runWhenIdle: timer messages come only when no other message is waiting. The
    // delay lets a freshly shown window settle (paint, first activation) and be ready for input
    // first.
    static constexpr UINT_PTR kIdleTimer = 1;
    static constexpr UINT kIdleDelayMs = 250;
    // The progress bar of long work (shown while it runs), or null where the layout has none.
    HWND progressBar() const { return progressBar_; }

    // Runs the program's message loop until the main window is closed; returns the code given to
    // PostQuitMessage.
    static int runMessageLoop();

    // Handles one message of a form window (public for the window procedure).
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // The control view behind one child window of this form, or null.
    Win32ControlView* viewOf(HWND child) const;
    bool alive() const { return hwnd_ != nullptr; }
    HFONT font() const override { return static_cast<HFONT>(font_.get()); }
    HFONT boldFont() const override { return static_cast<HFONT>(boldFont_.get()); }
    // A length of the layout (pixels at 96 pixels per inch) in pixels of the screen.
    int scale(int length) const override { return MulDiv(length, dpi_, 96); }
    // A memory device context for measuring texts (cheaper than the screen's for every label).
    HDC measureDc() const override { return measureDc_.get(); }
    // Registers `child` as one of the windows of `view` (radio groups have several).
    void addChild(HWND child, Win32ControlView* view) override;
    void removeChild(HWND child) override;
    // The button that Enter presses (BS_DEFPUSHBUTTON), or null.
    const Control* defaultButton() const override { return defaultButton_; }
    // The next control id (ids start above IDOK/IDCANCEL).
    int nextId() override { return nextId_++; }
    // Runs a handler on behalf of the user (after any work waiting for idle time); an error it
    // does not handle goes to the general error report.
    void runReporting(const std::function<void()>& action) override;

  private:
    struct Child {
        HWND hwnd;
        Win32ControlView* view;
    };

    void buildControls(const FormLayout& layout);
    // Where a control of the layout goes at the window's resolution.
    ControlPlace controlPlace(const FormLayout& layout, const ControlLayout& control) const;
    SIZE outerSize(const FormLayout& layout, int dpi) const;
    void place();
    void placeAtSize();
    ScreenRect workArea() const;
    // Fonts for the window's resolution.
    void makeFonts();
    // Takes the resolution of the monitor the window is on, if it differs from the one it has.
    void followWindowDpi();
    // Goes to `dpi` pixels per inch: new fonts, the window to `windowRect` (or its layout size
    // at its place, when null) and every control to its place in the layout table.
    void rescale(int dpi, const RECT* windowRect);
    // The size of a fixed-size window at `dpi`, from its layout table, for the rectangle Windows
    // suggests on a move; false for a resizable one, whose size Windows scales itself.
    bool scaledSize(int dpi, SIZE& size) const;
    void focusFirstControl();
    // Runs a message loop until `stop` is true or WM_QUIT arrives (then reposted).
    static void pumpMessages(const bool* stop);
    // Hands one message to its window, through the keyboard navigation of a form window.
    static void dispatch(MSG& msg);

    // The window procedure's handlers.
    void onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT defaultButtonId() const;
    void focusNextControl(WPARAM wParam, LPARAM lParam);
    bool onNotify(NMHDR* header, LRESULT& result);
    HBRUSH staticColours(HDC dc) const;
    void onActivation(bool active, bool minimized);
    void focusBackOnEnabled(HWND control);
    void onActivated();
    void unbind();

    // Long work (window_work.cpp).
    // The messages that long work handles its own way while it runs; true when handled, with
    // `result` set.
    bool handleWhileWorking(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void handleMessagesUntilDone(HANDLE worker);
    void createProgressBar(const FormLayout& layout);
    void showProgressBar(bool shown);
    void placeProgressBar(const FormLayout& layout);
    void showWorkProgress(std::size_t done, std::size_t total);
    // Runs the action that kOnWindowThread carries, keeping what it threw for the sender.
    static void runSentAction(LPARAM action);

    Form& form_;
    RunReportingErrors runReportingErrors_;
    std::string className_;
    FormWindow* owner_;
    HWND hwnd_ = nullptr;
    UniqueGdiObject font_;
    UniqueGdiObject boldFont_;
    UniqueHdc measureDc_;
    std::wstring fontName_; // the layout's, or the owner's when the layout names none
    int dpi_ = 96;
    std::vector<std::unique_ptr<Win32ControlView>> views_;
    std::vector<Control*> boundControls_;
    std::vector<Child> children_;
    void runIdleWork();

    std::vector<std::function<void()>> idleWork_;
    int nextId_ = 100;
    Control* defaultButton_ = nullptr;
    Control* cancelButton_ = nullptr;
    HWND defaultButtonHwnd_ = nullptr;
    HWND cancelButtonHwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool placed_ = false;
    bool modalDone_ = false;
    bool inModal_ = false;
    ModalResult modalResult_ = ModalResult::None;

    WindowNames names_;

    // Long work.
    bool working_ = false;
    HWND progressBar_ = nullptr;
    // The taskbar button's progress, from the first work on.
    std::unique_ptr<TaskbarProgress> taskbar_;
};

} // namespace velk::win32
