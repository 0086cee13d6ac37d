#include "toolkit/win32/window_binding.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

#include "platform/win32/wide_text.h"
#include "platform/win32/window_class.h"
#include "toolkit/shell_tree.h"
#include "toolkit/win32/control_views.h"
#include "toolkit/win32/shell_tree_view.h"
#include "toolkit/win32/taskbar_progress.h"
#include "toolkit/win32/window_dpi.h"

namespace velk::win32 {

namespace {

std::vector<FormWindow*>& formWindows() {
    static std::vector<FormWindow*> windows;
    return windows;
}

FormWindow* formWindowOf(HWND hwnd) {
    for (FormWindow* window : formWindows()) {
        if (window->hwnd() == hwnd && hwnd != nullptr) {
            return window;
        }
    }
    return nullptr;
}

LRESULT CALLBACK formWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return window->handleMessage(hwnd, message, wParam, lParam);
}

DWORD frameStyle(FrameKind frame) {
    return frame == FrameKind::FixedDialog ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU
                                           : WS_OVERLAPPEDWINDOW;
}

DWORD frameExStyle(FrameKind frame) {
    return WS_EX_CONTROLPARENT | (frame == FrameKind::FixedDialog ? WS_EX_DLGMODALFRAME : 0);
}

bool isPushButton(HWND hwnd) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, static_cast<int>(std::size(className)));
    if (lstrcmpiW(className, L"Button") != 0) {
        return false;
    }
    const LONG_PTR type = GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool canTakeFocus(HWND hwnd) {
    return hwnd != nullptr && IsWindow(hwnd) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd);
}

} // namespace

// The outer size of the window at `dpi`: the layout gives the client size of a fixed dialog and
// the outer size of a resizable window.
SIZE FormWindow::outerSize(const FormLayout& layout, int dpi) const {
    const int width = MulDiv(layout.width, dpi, 96);
    const int height = MulDiv(layout.height, dpi, 96);
    if (layout.frame == FrameKind::Resizable) {
        return {width, height};
    }
    RECT rect{0, 0, width, height};
    adjustWindowRectForDpi(rect, frameStyle(layout.frame), frameExStyle(layout.frame), dpi);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

FormWindow::FormWindow(Form& form, RunReportingErrors runReportingErrors, const char* className,
                       FormWindow* owner)
    : form_(form), runReportingErrors_(std::move(runReportingErrors)), className_(className),
      owner_(owner) {
    formWindows().push_back(this);
}

FormWindow::~FormWindow() {
    for (Control* control : boundControls_) {
        control->bindView(nullptr);
    }
    form_.bindView(nullptr);
    auto& windows = formWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    if (hwnd_ != nullptr) {
        HWND hwnd = hwnd_;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
    // The views tell this window when they go (removeChild): let them go while it is whole.
    views_.clear();
}

void FormWindow::create() {
    const FormLayout layout = form_.layout();
    const std::wstring className = toWide(className_);
    win32::registerWindowClass(className.c_str(), &formWindowProc);

    // The layout is in pixels at 96 pixels per inch; on a screen of another resolution the
    // window, its controls and the font grow alike, so that texts keep fitting their controls.
    measureDc_.reset(CreateCompatibleDC(nullptr));
    fontName_ = !layout.fontName.empty() ? toWide(layout.fontName)
                : owner_ != nullptr      ? owner_->fontName_
                                         : std::wstring();
    dpi_ = systemDpi();
    makeFonts();

    const SIZE size = outerSize(layout, dpi_);
    CreateWindowExW(frameExStyle(layout.frame), className.c_str(), toWide(layout.caption).c_str(),
                    frameStyle(layout.frame), layout.left, layout.top, size.cx, size.cy,
                    owner_ != nullptr ? owner_->hwnd() : nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr) {
        return;
    }
    followWindowDpi();
    defaultButton_ = layout.defaultButton;
    cancelButton_ = layout.cancelButton;
    buildControls(layout);
    createProgressBar(layout);
    form_.bindView(this);
    // Loading what annotates the names need not delay the window's showing.
    runWhenIdle([this] { names_.annotate(); });
}

// Controls are created in tab order, so that the window order (which Tab follows) is the tab
// order; controls without a tab stop come last, in the layout's order. A label that names a
// control comes directly before it instead: screen readers name a field after the window before
// it. A control inside a group frame is a child of the window too, placed relative to the frame.
void FormWindow::buildControls(const FormLayout& layout) {
    const auto named = [&layout](const ControlLayout& label) {
        return label.names != nullptr && std::any_of(layout.controls.begin(), layout.controls.end(),
                                                     [&label](const ControlLayout& other) {
                                                         return other.control == label.names &&
                                                                &other != &label;
                                                     });
    };
    std::vector<const ControlLayout*> tabOrder;
    for (const auto& control : layout.controls) {
        if (!named(control)) {
            tabOrder.push_back(&control);
        }
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(), [](const auto* a, const auto* b) {
        const int keyA = a->tabOrder >= 0 ? a->tabOrder : INT_MAX;
        const int keyB = b->tabOrder >= 0 ? b->tabOrder : INT_MAX;
        return keyA < keyB;
    });
    std::vector<const ControlLayout*> order;
    for (const ControlLayout* control : tabOrder) {
        for (const auto& label : layout.controls) {
            if (label.names == control->control && named(label)) {
                order.push_back(&label);
            }
        }
        order.push_back(control);
    }
    for (const ControlLayout* control : order) {
        const ControlPlace place = controlPlace(layout, *control);
        std::unique_ptr<Win32ControlView> view;
        if (control->kind == ControlKind::ShellTree) {
            ControlLayout placed = *control;
            placed.left = place.left;
            placed.top = place.top;
            placed.width = place.width;
            placed.height = place.height;
            view = createShellTreeView(static_cast<ShellTree&>(*control->control), hwnd_, placed,
                                       font());
            if (view != nullptr && view->hwnd() != nullptr) {
                HWND tree = view->hwnd();
                const LONG_PTR style = GetWindowLongPtrW(tree, GWL_STYLE);
                SetWindowLongPtrW(tree, GWL_STYLE,
                                  ((style | WS_GROUP) & ~LONG_PTR{WS_TABSTOP}) |
                                      (control->tabOrder >= 0 ? WS_TABSTOP : 0));
                addChild(tree, view.get());
                view->rescale(place, font(), dpi_); // its indent and icons
            }
        } else {
            view = createControlView(*this, *control, place);
        }
        if (view == nullptr) {
            continue;
        }
        if (control->accessibleName != nullptr) {
            names_.name(view->hwnd(), control->accessibleName);
        }
        control->control->bindView(view.get());
        boundControls_.push_back(control->control);
        if (control->control == defaultButton_) {
            defaultButtonHwnd_ = view->hwnd();
        }
        if (control->control == cancelButton_) {
            cancelButtonHwnd_ = view->hwnd();
        }
        views_.push_back(std::move(view));
    }
}

void FormWindow::addChild(HWND child, Win32ControlView* view) {
    if (child != nullptr) {
        children_.push_back({child, view});
    }
}

void FormWindow::removeChild(HWND child) {
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [child](const Child& entry) { return entry.hwnd == child; }),
                    children_.end());
}

Win32ControlView* FormWindow::viewOf(HWND child) const {
    for (const Child& entry : children_) {
        if (entry.hwnd == child) {
            return entry.view;
        }
    }
    return nullptr;
}

void FormWindow::runReporting(const std::function<void()>& action) {
    if (working_) {
        return; // the window takes no input while long work runs
    }
    runIdleWork();
    if (action) {
        runReportingErrors_(action);
    }
}

void FormWindow::runWhenIdle(std::function<void()> action) {
    if (hwnd_ == nullptr) {
        return;
    }
    idleWork_.push_back(std::move(action));
    SetTimer(hwnd_, kIdleTimer, kIdleDelayMs, nullptr);
}

void FormWindow::runIdleWork() {
    if (idleWork_.empty()) {
        return;
    }
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kIdleTimer);
    }
    std::vector<std::function<void()>> work = std::move(idleWork_);
    idleWork_.clear();
    for (const auto& action : work) {
        runReportingErrors_(action);
    }
}

// Placed at the resolution of the monitor it lands on: when that differs from the one it was
// built for, it is scaled and placed once more.
void FormWindow::place() {
    placed_ = true;
    for (int pass = 0; pass < 2; ++pass) {
        const int builtFor = dpi_;
        placeAtSize();
        followWindowDpi();
        if (dpi_ == builtFor) {
            break;
        }
    }
}

// The work area of the monitor the window is on (a dialog: the one its main window is on).
ScreenRect FormWindow::workArea() const {
    HWND on = owner_ != nullptr && owner_->hwnd() != nullptr ? owner_->hwnd() : hwnd_;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromWindow(on, MONITOR_DEFAULTTONEAREST), &monitor)) {
        work = monitor.rcWork;
    }
    return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

// At the layout's place (centred on the work area, centred over the main window, or at its
// designed place), kept on the work area of its monitor.
void FormWindow::placeAtSize() {
    const FormLayout layout = form_.layout();
    const SIZE size = outerSize(layout, dpi_);
    const ScreenRect work = workArea();
    ScreenRect wanted{layout.left, layout.top, size.cx, size.cy};
    switch (layout.placement) {
    case Placement::ScreenCenter:
        wanted = centredOn(work, wanted);
        break;
    case Placement::OwnerCenter:
        if (owner_ != nullptr && owner_->hwnd() != nullptr) {
            RECT owner;
            GetWindowRect(owner_->hwnd(), &owner);
            wanted = centredOn(
                {owner.left, owner.top, owner.right - owner.left, owner.bottom - owner.top},
                wanted);
        } else {
            wanted = centredOn(work, wanted);
        }
        break;
    case Placement::Designed:
        break;
    }
    const ScreenRect placed = placeOnWorkArea(wanted, work);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, placed.width, placed.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::show() {
    if (hwnd_ == nullptr) {
        return;
    }
    if (!placed_) {
        place();
    }
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void FormWindow::focusFirstControl() {
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) != 0 && canTakeFocus(child)) {
            SetFocus(child);
            return;
        }
    }
    SetFocus(hwnd_);
}

ModalResult FormWindow::showModal() {
    if (hwnd_ == nullptr) {
        return ModalResult::Cancel;
    }
    if (!placed_) {
        place();
    }
    modalDone_ = false;
    modalResult_ = ModalResult::None;
    inModal_ = true;
    HWND owner = owner_ != nullptr ? owner_->hwnd() : nullptr;
    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetActiveWindow(hwnd_);
    pumpMessages(&modalDone_);
    inModal_ = false;
    // Re-enable the owner before hiding, so that the activation goes back to it.
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
    }
    if (hwnd_ != nullptr) {
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (owner != nullptr && IsWindow(owner)) {
        SetActiveWindow(owner);
    }
    return modalDone_ ? modalResult_ : ModalResult::Cancel;
}

void FormWindow::close(ModalResult result) {
    if (hwnd_ == nullptr) {
        return;
    }
    if (!isMainWindow()) {
        modalResult_ = result;
        modalDone_ = true;
        return;
    }
    // Work waiting for idle time readies the window for the user, who is done with it now: it
    // would only keep the closing window from answering.
    KillTimer(hwnd_, kIdleTimer);
    idleWork_.clear();
    if (onClosing) {
        runReportingErrors_(onClosing);
    }
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

void FormWindow::pumpMessages(const bool* stop) {
    MSG msg;
    while (stop == nullptr || !*stop) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            return;
        }
        if (got == 0) {
            // The program is ending: leave the quit message for the outer loop too.
            if (stop != nullptr) {
                PostQuitMessage(static_cast<int>(msg.wParam));
            }
            return;
        }
        dispatch(msg);
    }
}

void FormWindow::dispatch(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && formWindowOf(root) != nullptr && IsDialogMessageW(root, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int FormWindow::runMessageLoop() {
    pumpMessages(nullptr);
    return 0;
}

LRESULT FormWindow::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (working_ && handleWhileWorking(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
    case WM_NCCREATE:
        hwnd_ = hwnd;
        break;
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return 0;
    case DM_GETDEFID:
        return defaultButtonId();
    case WM_NEXTDLGCTL:
        focusNextControl(wParam, lParam);
        return 0;
    case WM_NOTIFY:
        if (onNotify(reinterpret_cast<NMHDR*>(lParam), result)) {
            return result;
        }
        break;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(staticColours(reinterpret_cast<HDC>(wParam)));
    case WM_ACTIVATE:
        onActivation(LOWORD(wParam) != WA_INACTIVE, HIWORD(wParam) != 0);
        return 0;
    case kActivated:
        onActivated();
        return 0;
    case kFocusedControlDisabled:
        lastFocus_ = reinterpret_cast<HWND>(wParam);
        return 0;
    case kControlEnabled:
        focusBackOnEnabled(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_GETDPISCALEDSIZE:
        return scaledSize(static_cast<int>(wParam), *reinterpret_cast<SIZE*>(lParam)) ? TRUE
                                                                                      : FALSE;
    case WM_DPICHANGED:
        rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kIdleTimer) {
            runIdleWork();
            return 0;
        }
        break;
    case kWorkProgressMessage:
        return 0; // a count that came after its work had ended
    case kOnWindowThread:
        runSentAction(lParam);
        return 0;
    case WM_CLOSE:
        runReporting(onCloseBox ? onCloseBox : [this] { form_.close(ModalResult::Cancel); });
        return 0;
    case WM_DESTROY:
        if (isMainWindow()) {
            PostQuitMessage(0);
        }
        break;
    case WM_NCDESTROY:
        unbind();
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void FormWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    if (auto from = reinterpret_cast<HWND>(lParam); from != nullptr) {
        if (Win32ControlView* view = viewOf(from)) {
            view->onCommand(HIWORD(wParam));
        }
        return;
    }
    // Escape, from the keyboard navigation: the cancel button answers it, if there is one.
    if (LOWORD(wParam) == IDCANCEL && cancelButtonHwnd_ != nullptr) {
        if (Win32ControlView* view = viewOf(cancelButtonHwnd_)) {
            view->onCommand(BN_CLICKED);
        }
    }
}

// Enter presses the focused push button, else the default button, else nothing.
LRESULT FormWindow::defaultButtonId() const {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus) && isPushButton(focus)) {
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    }
    if (defaultButtonHwnd_ != nullptr) {
        return MAKELRESULT(GetDlgCtrlID(defaultButtonHwnd_), DC_HASDEFID);
    }
    return 0;
}

// The keyboard navigation's move: to the control in wParam, or to the next (previous) tab stop.
void FormWindow::focusNextControl(WPARAM wParam, LPARAM lParam) {
    HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                      : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
    if (target != nullptr) {
        SetFocus(target);
    }
}

bool FormWindow::onNotify(NMHDR* header, LRESULT& result) {
    if (header == nullptr) {
        return false;
    }
    Win32ControlView* view = viewOf(header->hwndFrom);
    return view != nullptr && view->onNotify(*header, result);
}

// Texts and read-only fields on the window's face colour.
HBRUSH FormWindow::staticColours(HDC dc) const {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

// The focus goes back to where it was when the window was left; the main window's activation
// handler runs once the activation is over.
void FormWindow::onActivation(bool active, bool minimized) {
    if (!active) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) {
            lastFocus_ = focus;
        }
        return;
    }
    if (!minimized) {
        if (lastFocus_ != nullptr && IsChild(hwnd_, lastFocus_) && canTakeFocus(lastFocus_)) {
            SetFocus(lastFocus_);
        } else {
            focusFirstControl();
        }
    }
    if (isMainWindow()) {
        PostMessageW(hwnd_, kActivated, 0, 0);
    }
}

// A control that lost the focus when it was disabled (a button that started work or a box) gets
// it back once enabled, unless another control has it now or the window is not the active one.
void FormWindow::focusBackOnEnabled(HWND control) {
    if (control != lastFocus_ || GetActiveWindow() != hwnd_ || !canTakeFocus(control)) {
        return;
    }
    HWND focus = GetFocus();
    if (focus == nullptr || focus == hwnd_ || focus == control) {
        SetFocus(control);
    }
}

// Paints first, so that whatever the activation starts runs with the window on screen. Not
// through runReporting: the first activation does not wait for the idle work.
void FormWindow::onActivated() {
    if (IsWindowVisible(hwnd_) && onActivate) {
        UpdateWindow(hwnd_);
        runReportingErrors_(onActivate);
    }
}

// From here on the controls show nothing.
void FormWindow::unbind() {
    for (Control* control : boundControls_) {
        control->bindView(nullptr);
    }
    boundControls_.clear();
    form_.bindView(nullptr);
    hwnd_ = nullptr;
    modalDone_ = true;
}

} // namespace velk::win32
