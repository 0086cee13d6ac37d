// The window binding against real windows: every state change of a control shows at once, every
// user action comes back through the control's setters, and the frames, placement and modal
// showing behave as the windows of the program need. Also the picture box's loading and scaling.
// Layout lengths are pixels at 96 pixels per inch, so expected places go through scale().

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/error_report.h"
#include "platform/app_error.h"
#include "platform/message_boxes.h"
#include "test_support.h"
#include "toolkit/win32/picture_view.h"
#include "toolkit/win32/window_binding.h"
#include "window_helpers.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;
using testing::writeFile;

class RecordingBoxes : public MessageBoxes {
  public:
    void error(const std::string& text) override { shown.push_back("error: " + text); }
    void information(const std::string& text) override { shown.push_back("info: " + text); }
    bool confirm(const std::string& text) override {
        shown.push_back("confirm: " + text);
        return true;
    }
    bool retry(const std::string& text) override {
        shown.push_back("retry: " + text);
        return false;
    }
    void errorReport(const std::string& text) override { shown.push_back("report: " + text); }
    std::vector<std::string> shown;
};

// A window with one control of every kind, laid out like the program's windows.
class SampleForm : public Form {
  public:
    Label plain{"Plain"};
    Label strong{"Strong"};
    GroupBox frame{"Frame"};
    Label inFrame{"Inside"};
    Edit edit{"start"};
    Memo memo{{"first", "second"}};
    Button ok{"OK"};
    Button cancel{"Cancel"};
    Button other{"Other"};
    RadioGroup group{"Group", {"One", "Two", "Three"}};
    Picture picture;
    ListView list{{{"Name", 120}, {"Size", 60}}};

    FrameKind frameKind = FrameKind::FixedDialog;
    Placement placement = Placement::Designed;
    int left = 40;
    int top = 30;

    FormLayout layout() override {
        using K = ControlKind;
        return FormLayout{
            "Sample",
            frameKind,
            placement,
            left,
            top,
            400,
            300,
            {
                {&plain, K::Label, "plain", 8, 8, 0, 0, -1, nullptr, false, &edit},
                {&strong, K::Label, "strong", 8, 24, 0, 0, -1, nullptr, true},
                {&frame, K::GroupBox, "frame", 200, 8, 150, 60, -1},
                {&inFrame, K::Label, "inFrame", 10, 20, 0, 0, -1, &frame},
                {&edit, K::Edit, "edit", 8, 80, 200, 21, 2},
                {&memo, K::Memo, "memo", 8, 110, 200, 40, 5},
                {&ok, K::Button, "ok", 200, 260, 75, 25, 3},
                {&cancel, K::Button, "cancel", 280, 260, 75, 25, 4},
                {&other, K::Button, "other", 8, 260, 75, 25, -1},
                {&group, K::RadioGroup, "group", 220, 80, 120, 121, 1},
                {&picture, K::Picture, "picture", 8, 160, 40, 20, -1},
                {&list, K::ListView, "list", 60, 160, 150, 90, 0},
            },
            &ok,
            &cancel,
            "",
            LayoutRect{220, 210, 120, 17},
        };
    }
};

HWND childWithText(HWND parent, const std::string& text) {
    for (HWND child : childrenOf(parent)) {
        if (textOf(child) == text) {
            return child;
        }
    }
    return nullptr;
}

// A child's rectangle in its parent's client coordinates.
RECT placeOf(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Handles whatever is waiting, as the message loop would.
void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool takeQuitMessage() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

class WindowBinding : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }
    RecordingBoxes boxes;
    // As the program's entry wires it: errors go to the general error report.
    const RunReportingErrors reporting = [this](const std::function<void()>& action) {
        runReportingErrors(boxes, action);
    };
};

TEST_F(WindowBinding, BuildsTheLayoutInTabOrderWithClientSizeAndPlaces) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(textOf(hwnd), "Sample");
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, window.scale(400));
    EXPECT_EQ(client.bottom, window.scale(300));
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);

    // Tab stops come first in tab order: list (0), the group's checked-or-first button (1),
    // edit (2), OK (3), Cancel (4), memo (5).
    std::vector<std::string> tabStops;
    for (HWND child : childrenOf(hwnd)) {
        if ((GetWindowLongPtrA(child, GWL_STYLE) & WS_TABSTOP) != 0) {
            tabStops.push_back(classOf(child) + ":" + textOf(child));
        }
    }
    const std::vector<std::string> expected{"SysListView32:", "Button:One",
                                            "Edit:start",     "Button:OK",
                                            "Button:Cancel",  "Edit:first\r\nsecond"};
    EXPECT_EQ(tabStops, expected);
    // A label that names a control comes directly before it, where screen readers look.
    EXPECT_EQ(GetWindow(childWithText(hwnd, "start"), GW_HWNDPREV), childWithText(hwnd, "Plain"));

    const RECT edit = placeOf(childWithText(hwnd, "start"));
    EXPECT_EQ(edit.left, window.scale(8));
    EXPECT_EQ(edit.top, window.scale(80));
    EXPECT_EQ(edit.right - edit.left, window.scale(200));
    // A label in a frame sits relative to the frame.
    const RECT inside = placeOf(childWithText(hwnd, "Inside"));
    EXPECT_EQ(inside.left, window.scale(210));
    EXPECT_EQ(inside.top, window.scale(28));
    // The default button is drawn as such.
    EXPECT_EQ(GetWindowLongPtrA(childWithText(hwnd, "OK"), GWL_STYLE) & BS_TYPEMASK,
              BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtrA(childWithText(hwnd, "Other"), GWL_STYLE) & BS_TYPEMASK,
              BS_PUSHBUTTON);
}

TEST_F(WindowBinding, ProgramChangesShowAtOnce) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);

    HWND plain = childWithText(hwnd, "Plain");
    ASSERT_NE(plain, nullptr);
    const LONG narrow = placeOf(plain).right - placeOf(plain).left;
    EXPECT_GT(narrow, 0);
    form.plain.setText("A much longer text than before");
    EXPECT_EQ(textOf(plain), "A much longer text than before");
    EXPECT_GT(placeOf(plain).right - placeOf(plain).left, narrow);

    // Bold labels use a bold font.
    auto font =
        reinterpret_cast<HFONT>(SendMessageA(childWithText(hwnd, "Strong"), WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    ASSERT_NE(GetObjectA(font, sizeof logFont, &logFont), 0);
    EXPECT_GE(logFont.lfWeight, FW_BOLD);

    form.edit.setText("C:\\Target");
    EXPECT_EQ(textOf(childWithText(hwnd, "C:\\Target")), "C:\\Target");
    form.memo.clear();
    form.memo.add("one");
    form.memo.add("two");
    EXPECT_NE(childWithText(hwnd, "one\r\ntwo"), nullptr);

    form.ok.setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(childWithText(hwnd, "OK")));
    form.ok.setEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(childWithText(hwnd, "OK")));
}

TEST_F(WindowBinding, UserChangesComeBackThroughTheControls) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);

    // Typing: the edit control's change reaches the C++ control.
    SetWindowTextA(childWithText(hwnd, "start"), "typed");
    EXPECT_EQ(form.edit.text(), "typed");

    int clicks = 0;
    form.other.onClick = [&clicks] { ++clicks; };
    SendMessageA(childWithText(hwnd, "Other"), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);

    // A handler's error goes to the general error report, and the window goes on.
    form.other.onClick = [] { throw AppError("Cannot do that"); };
    SendMessageA(childWithText(hwnd, "Other"), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "report: Cannot do that.");
}

TEST_F(WindowBinding, RadioGroupChecksFollowTheSelectionAndRunTheHandlerOnRealChanges) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND hwnd = window.hwnd();
    ASSERT_NE(hwnd, nullptr);
    int changes = 0;
    form.group.onChange = [&changes] { ++changes; };

    HWND two = childWithText(hwnd, "Two");
    ASSERT_NE(two, nullptr);
    SendMessageA(two, BM_CLICK, 0, 0);
    EXPECT_EQ(form.group.itemIndex(), 1);
    EXPECT_EQ(changes, 1);
    SendMessageA(two, BM_CLICK, 0, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(SendMessageA(two, BM_GETCHECK, 0, 0), BST_CHECKED);
    // Only the checked button is the group's tab stop.
    EXPECT_NE(GetWindowLongPtrA(two, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowLongPtrA(childWithText(hwnd, "One"), GWL_STYLE) & WS_TABSTOP, 0);

    form.group.setItemIndex(2);
    EXPECT_EQ(SendMessageA(childWithText(hwnd, "Three"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(two, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // New items: the buttons are built anew, evenly spaced inside the frame, in one column.
    form.group.clearItems();
    form.group.addItem("Alpha");
    form.group.addItem("Beta");
    EXPECT_EQ(childWithText(hwnd, "One"), nullptr);
    HWND alpha = childWithText(hwnd, "Alpha");
    HWND beta = childWithText(hwnd, "Beta");
    ASSERT_NE(alpha, nullptr);
    ASSERT_NE(beta, nullptr);
    const RECT a = placeOf(alpha);
    const RECT b = placeOf(beta);
    EXPECT_EQ(a.left, b.left);
    EXPECT_GT(b.top, a.top);
    EXPECT_GE(a.top, window.scale(80));
    EXPECT_LE(b.bottom, window.scale(80 + 121));
    EXPECT_EQ(SendMessageA(alpha, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // The new buttons follow the frame in the window order (= tab order).
    EXPECT_EQ(GetWindow(childWithText(hwnd, "Group"), GW_HWNDNEXT), alpha);

    form.group.setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(alpha));
    EXPECT_FALSE(IsWindowEnabled(beta));
}

TEST_F(WindowBinding, VirtualListShowsManyRowsAndKeepsTheSelectionInStep) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND list = childOfClass(window.hwnd(), WC_LISTVIEWA);
    ASSERT_NE(list, nullptr);

    for (int i = 0; i < 100000; ++i) {
        form.list.addRow({"file" + std::to_string(i), {std::to_string(i * 10)}});
    }
    form.list.endUpdate();
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 100000);
    char text[64] = {};
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, 99999, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "999990");

    form.list.select(42);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 42);

    // The user selects another row.
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 7, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(form.list.selected(), 7);

    // A double-click reaches the control with the row selected.
    int selectedAtClick = -2;
    form.list.onDblClick = [&form, &selectedAtClick] { selectedAtClick = form.list.selected(); };
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = list;
    activate.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    activate.hdr.code = NM_DBLCLK;
    activate.iItem = 7;
    SendMessageA(window.hwnd(), WM_NOTIFY, activate.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&activate));
    EXPECT_EQ(selectedAtClick, 7);

    form.list.clear();
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
}

TEST_F(WindowBinding, EnterAndEscapeGoToTheDefaultAndCancelButtons) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    HWND hwnd = window.hwnd();
    int oks = 0;
    int cancels = 0;
    form.ok.onClick = [&oks] { ++oks; };
    form.cancel.onClick = [&cancels] { ++cancels; };

    // What the keyboard navigation sends for Escape.
    SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(cancels, 1);
    // Enter asks the window for its default button.
    const LRESULT defId = SendMessageA(hwnd, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
    EXPECT_EQ(static_cast<int>(LOWORD(defId)), GetDlgCtrlID(childWithText(hwnd, "OK")));
    EXPECT_EQ(oks, 0);

    // In the list, Enter opens the focused row as a double-click does, and Escape still goes
    // to the cancel button. Given the focus with no row selected, the list shows its focus on
    // the first row, which stays unselected.
    HWND list = childOfClass(hwnd, WC_LISTVIEWA);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        form.list.addRow({name, {"1"}});
    }
    form.list.endUpdate();
    int opened = -2;
    form.list.onDblClick = [&form, &opened] { opened = form.list.selected(); };
    ShowWindow(hwnd, SW_SHOW);
    SetFocus(list);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 0);
    EXPECT_EQ(form.list.selected(), -1);
    form.list.select(1);
    const auto key = [list, hwnd](WORD virtualKey) {
        MSG msg{list, WM_KEYDOWN, virtualKey, 1, GetTickCount(), {}};
        return IsDialogMessageA(hwnd, &msg);
    };
    key(VK_RETURN);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(oks, 0);
    key(VK_ESCAPE);
    EXPECT_EQ(cancels, 2);

    // A window without default and cancel buttons ignores both keys.
    class Bare : public Form {
      public:
        Button only{"Only"};
        FormLayout layout() override {
            return {"Bare",
                    FrameKind::FixedDialog,
                    Placement::Designed,
                    0,
                    0,
                    100,
                    50,
                    {{&only, ControlKind::Button, "only", 8, 8, 75, 25, 0}}};
        }
    } bare;
    int onlyClicks = 0;
    bare.only.onClick = [&onlyClicks] { ++onlyClicks; };
    FormWindow bareWindow(bare, reporting, "VelkTestForm");
    bareWindow.create();
    SendMessageA(bareWindow.hwnd(), WM_COMMAND, IDCANCEL, 0);
    SendMessageA(bareWindow.hwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(onlyClicks, 0);
    EXPECT_EQ(SendMessageA(bareWindow.hwnd(), DM_GETDEFID, 0, 0), 0);
}

TEST_F(WindowBinding, ModalShowingDisablesTheOwnerAndReturnsTheResult) {
    SampleForm mainForm;
    mainForm.placement = Placement::ScreenCenter;
    FormWindow mainWindow(mainForm, reporting, "VelkTestMain");
    mainWindow.create();
    mainWindow.show();
    SampleForm dialog;
    dialog.placement = Placement::OwnerCenter;
    FormWindow dialogWindow(dialog, reporting, "VelkTestForm", &mainWindow);
    dialogWindow.create();
    ASSERT_NE(dialogWindow.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(dialogWindow.hwnd()));

    bool ownerDisabledWhileShown = false;
    bool dialogVisibleWhileShown = false;
    dialog.ok.onClick = [&] {
        ownerDisabledWhileShown = !IsWindowEnabled(mainWindow.hwnd());
        dialogVisibleWhileShown = IsWindowVisible(dialogWindow.hwnd()) != FALSE;
        dialog.close(ModalResult::Ok);
    };
    PostMessageA(childWithText(dialogWindow.hwnd(), "OK"), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.showModal(), ModalResult::Ok);
    EXPECT_TRUE(ownerDisabledWhileShown);
    EXPECT_TRUE(dialogVisibleWhileShown);
    EXPECT_TRUE(IsWindowEnabled(mainWindow.hwnd()));
    EXPECT_FALSE(IsWindowVisible(dialogWindow.hwnd()));

    // Centred over the main window the first time.
    RECT owner;
    RECT shown;
    GetWindowRect(mainWindow.hwnd(), &owner);
    GetWindowRect(dialogWindow.hwnd(), &shown);
    EXPECT_LE(std::abs((owner.left + owner.right) / 2 - (shown.left + shown.right) / 2), 1);
    EXPECT_LE(std::abs((owner.top + owner.bottom) / 2 - (shown.top + shown.bottom) / 2), 1);

    // The close box answers Cancel; a moved dialog stays where it was left.
    SetWindowPos(dialogWindow.hwnd(), nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(dialogWindow.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.showModal(), ModalResult::Cancel);
    GetWindowRect(dialogWindow.hwnd(), &shown);
    EXPECT_EQ(shown.left, 5);
    EXPECT_EQ(shown.top, 6);
    // Hidden, never destroyed.
    EXPECT_TRUE(IsWindow(dialogWindow.hwnd()));
}

TEST_F(WindowBinding, OwnerCenteredDialogNeverStartsAtNegativeCoordinates) {
    SampleForm mainForm;
    mainForm.left = -300;
    mainForm.top = -250;
    FormWindow mainWindow(mainForm, reporting, "VelkTestMain");
    mainWindow.create();
    mainWindow.show();
    SampleForm dialog;
    dialog.placement = Placement::OwnerCenter;
    FormWindow dialogWindow(dialog, reporting, "VelkTestForm", &mainWindow);
    dialogWindow.create();
    PostMessageA(dialogWindow.hwnd(), WM_CLOSE, 0, 0);
    dialog.showModal();
    RECT shown;
    GetWindowRect(dialogWindow.hwnd(), &shown);
    EXPECT_EQ(shown.left, 0);
    EXPECT_EQ(shown.top, 0);
}

TEST_F(WindowBinding, ResizableWindowHasTheOuterSizeAtItsDesignedPlace) {
    SampleForm form;
    form.frameKind = FrameKind::Resizable;
    form.left = 123;
    form.top = 77;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    window.show();
    RECT rect;
    GetWindowRect(window.hwnd(), &rect);
    EXPECT_EQ(rect.left, 123);
    EXPECT_EQ(rect.top, 77);
    EXPECT_EQ(rect.right - rect.left, window.scale(400));
    EXPECT_EQ(rect.bottom - rect.top, window.scale(300));
    EXPECT_NE(GetWindowLongPtrA(window.hwnd(), GWL_STYLE) & WS_THICKFRAME, 0);
}

TEST_F(WindowBinding, ClosingTheMainWindowRunsFormCloseAndEndsTheLoop) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestMain");
    int closing = 0;
    window.onClosing = [&closing] { ++closing; };
    window.onCloseBox = [&form] { form.close(); };
    window.create();
    window.show();
    pump();
    SendMessageA(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(closing, 1);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_TRUE(takeQuitMessage());
    // After the window has gone, the controls change without a window to show them.
    form.edit.setText("after");
    form.group.addItem("Four");
    EXPECT_EQ(form.edit.text(), "after");
}

// Long work runs on a thread of its own. Meanwhile the window answers (the work asks it from its
// thread), shows the progress in its bar, refuses to close and to end the session, and keeps
// its controls disabled; afterwards the bar is hidden, the controls are back, and an error of
// the work reaches the caller.
TEST_F(WindowBinding, LongWorkRunsBesideTheWindowWhichShowsItsProgressAndCannotClose) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestMain");
    int closeBox = 0;
    window.onCloseBox = [&closeBox] { ++closeBox; };
    window.create();
    window.show();
    pump();
    HWND hwnd = window.hwnd();
    HWND ok = childWithText(hwnd, "OK");

    DWORD workThread = 0;
    std::vector<LRESULT> positions;
    LRESULT range = 0;
    bool barShown = false;
    bool okEnabled = true;
    LRESULT endSession = TRUE;
    form.runWork("Testing the work", [&](WorkProgress& progress) {
        workThread = GetCurrentThreadId();
        progress.setTotal(3);
        HWND bar = window.progressBar();
        for (LRESULT step = 1; step <= 3; ++step) {
            Sleep(150); // well beyond the time the window waits between two updates
            progress.step();
            LRESULT position = -1;
            for (int tries = 0; tries < 200 && position != step; ++tries) {
                DWORD_PTR answer = 0;
                position =
                    SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100, &answer) != 0
                        ? static_cast<LRESULT>(answer)
                        : -1;
                Sleep(5);
            }
            positions.push_back(position);
        }
        range = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
        barShown = IsWindowVisible(bar) != FALSE;
        okEnabled = IsWindowEnabled(ok) != FALSE;
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        endSession = SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    });

    EXPECT_NE(workThread, 0u);
    EXPECT_NE(workThread, GetCurrentThreadId());
    EXPECT_EQ(positions, (std::vector<LRESULT>{1, 2, 3}));
    EXPECT_EQ(range, 3);
    EXPECT_TRUE(barShown);
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(closeBox, 0);
    EXPECT_EQ(endSession, FALSE);
    EXPECT_TRUE(IsWindow(hwnd));
    // The bar lies where the layout puts it, on space no control uses.
    const RECT bar = placeOf(window.progressBar());
    EXPECT_EQ(bar.left, window.scale(220));
    EXPECT_EQ(bar.top, window.scale(210));
    EXPECT_FALSE(IsWindowVisible(window.progressBar()));
    EXPECT_TRUE(IsWindowEnabled(ok));
    EXPECT_NE(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);

    EXPECT_THROW(form.runWork("Failing", [](WorkProgress&) { throw AppError("Broken"); }),
                 AppError);
    EXPECT_TRUE(IsWindowEnabled(ok));
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(closeBox, 1);
}

TEST_F(WindowBinding, IdleWorkRunsBeforeTheNextHandlerOrWhenNothingElseWaits) {
    SampleForm form;
    FormWindow window(form, reporting, "VelkTestForm");
    window.create();
    std::vector<std::string> order;
    window.runWhenIdle([&order] { order.push_back("idle"); });
    form.other.onClick = [&order] { order.push_back("click"); };
    SendMessageA(childWithText(window.hwnd(), "Other"), BM_CLICK, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"idle", "click"}));

    window.runWhenIdle([&order] { order.push_back("idle again"); });
    for (int i = 0; i < 100 && order.size() < 3; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pump();
    }
    EXPECT_EQ(order.back(), "idle again");
}

// Picture files made with GDI, so that every supported type is tried for real.
class PictureFiles : public ::testing::Test {
  protected:
    // A 24-bit bitmap file of the given size, all one colour.
    std::string writeBitmap(const std::string& name, int width, int height) {
        const int stride = (width * 3 + 3) & ~3;
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = width;
        info.biHeight = height;
        info.biPlanes = 1;
        info.biBitCount = 24;
        info.biSizeImage = static_cast<DWORD>(stride * height);
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + info.biSizeImage;
        std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
        bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) {
            row[static_cast<std::size_t>(x * 3)] = static_cast<char>(0x80); // blue, navy
        }
        for (int y = 0; y < height; ++y) {
            bytes += row;
        }
        const std::string path = folder / name;
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }

    // A metafile that fills a rectangle of `width` x `height` logical units.
    static void drawInto(HDC dc, int width, int height) {
        HBRUSH brush = CreateSolidBrush(RGB(0, 128, 0));
        RECT rect{0, 0, width, height};
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }

    TempFolder folder;
};

TEST(FitPicture, KeepsTheAspectRatioFromTheTopLeftCorner) {
    // Wide picture: full width.
    RECT r = fitPicture({120, 48}, {121, 49});
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 121);
    EXPECT_EQ(r.bottom, 48);
    // Tall picture: full height.
    r = fitPicture({10, 40}, {100, 20});
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(r.bottom, 20);
    // Small pictures are scaled up too.
    r = fitPicture({16, 16}, {64, 32});
    EXPECT_EQ(r.right, 32);
    EXPECT_EQ(r.bottom, 32);
    // Nothing to draw.
    r = fitPicture({0, 0}, {64, 32});
    EXPECT_EQ(r.right, 0);
    r = fitPicture({10, 10}, {0, 32});
    EXPECT_EQ(r.bottom, 0);
}

TEST_F(PictureFiles, BitmapLoadsWithItsSizeAndDrawsScaled) {
    const std::string path = writeBitmap("logo.BMP", 120, 48);
    const LoadedPicture picture = LoadedPicture::load(path);
    ASSERT_EQ(picture.kind(), LoadedPicture::Kind::Bitmap);
    EXPECT_EQ(picture.size().cx, 120);
    EXPECT_EQ(picture.size().cy, 48);

    // Drawn into a 60 x 60 box: 60 x 24 at the top, the rest untouched.
    HDC screen = GetDC(nullptr);
    UniqueHdc dc(CreateCompatibleDC(screen));
    UniqueGdiObject target(CreateCompatibleBitmap(screen, 60, 60));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc.get(), target.get());
    RECT all{0, 0, 60, 60};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    picture.draw(dc.get(), fitPicture(picture.size(), {60, 60}));
    EXPECT_EQ(GetPixel(dc.get(), 30, 10), RGB(0, 0, 0x80));
    EXPECT_EQ(GetPixel(dc.get(), 59, 23), RGB(0, 0, 0x80));
    EXPECT_EQ(GetPixel(dc.get(), 30, 40), RGB(255, 255, 255));
    SelectObject(dc.get(), old);
}

TEST_F(PictureFiles, IconAndMetafilesLoadWithTheirNaturalSize) {
    // Icon: made from bitmaps and written in the icon file format (one 32 x 32 image, 32 bits).
    {
        const int size = 32;
        std::string image;
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = size;
        info.biHeight = size * 2;
        info.biPlanes = 1;
        info.biBitCount = 32;
        image.append(reinterpret_cast<const char*>(&info), sizeof info);
        image.append(static_cast<std::size_t>(size * size * 4), '\x7f');
        image.append(static_cast<std::size_t>(size * 4), '\0'); // AND mask, rows of 4 bytes
        const std::uint16_t header[3] = {0, 1, 1};
        std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
        unsigned char entry[16] = {size, size, 0, 0, 1, 0, 32, 0};
        const auto imageSize = static_cast<std::uint32_t>(image.size());
        const std::uint32_t offset = 6 + 16;
        std::memcpy(entry + 8, &imageSize, 4);
        std::memcpy(entry + 12, &offset, 4);
        bytes.append(reinterpret_cast<const char*>(entry), sizeof entry);
        bytes += image;
        ASSERT_TRUE(writeFile(folder / "logo.ico", bytes));
        const LoadedPicture icon = LoadedPicture::load(folder / "logo.ico");
        EXPECT_EQ(icon.kind(), LoadedPicture::Kind::Icon);
        EXPECT_EQ(icon.size().cx, 32);
        EXPECT_EQ(icon.size().cy, 32);
    }
    // Enhanced metafile with a frame of 50.8 x 25.4 mm: 2 x 1 inches.
    {
        RECT frame{0, 0, 5080, 2540};
        HDC dc = CreateEnhMetaFileA(nullptr, (folder / "logo.emf").c_str(), &frame, nullptr);
        ASSERT_NE(dc, nullptr);
        drawInto(dc, 100, 50);
        DeleteEnhMetaFile(CloseEnhMetaFile(dc));
        const LoadedPicture emf = LoadedPicture::load(folder / "logo.emf");
        EXPECT_EQ(emf.kind(), LoadedPicture::Kind::Metafile);
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        EXPECT_NEAR(emf.size().cx, 2 * dpi, 2);
        EXPECT_NEAR(emf.size().cy, dpi, 2);
    }
    // Windows metafile, plain and with the placeable header (bounds 2 x 0.5 inches at 1440
    // units per inch).
    {
        HDC dc = CreateMetaFileA((folder / "plain.wmf").c_str());
        ASSERT_NE(dc, nullptr);
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 2880, 720, nullptr);
        drawInto(dc, 2880, 720);
        DeleteMetaFile(CloseMetaFile(dc));
        const LoadedPicture plain = LoadedPicture::load(folder / "plain.wmf");
        EXPECT_EQ(plain.kind(), LoadedPicture::Kind::Metafile);
        EXPECT_GT(plain.size().cx, 0);

        const std::string body = testing::contentOf(folder / "plain.wmf");
        unsigned char header[22] = {0xD7, 0xCD, 0xC6, 0x9A};
        const std::int16_t box[4] = {0, 0, 2880, 720};
        std::memcpy(header + 6, box, sizeof box);
        const std::uint16_t inch = 1440;
        std::memcpy(header + 14, &inch, 2);
        std::uint16_t checksum = 0;
        for (int i = 0; i < 20; i += 2) {
            checksum ^= static_cast<std::uint16_t>(header[i] | (header[i + 1] << 8));
        }
        std::memcpy(header + 20, &checksum, 2);
        ASSERT_TRUE(writeFile(folder / "placeable.WMF",
                              std::string(reinterpret_cast<const char*>(header), 22) + body));
        const LoadedPicture placeable = LoadedPicture::load(folder / "placeable.WMF");
        EXPECT_EQ(placeable.kind(), LoadedPicture::Kind::Metafile);
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(placeable.size().cx, 2 * dpi);
        EXPECT_EQ(placeable.size().cy, dpi / 2);
    }
}

TEST_F(PictureFiles, FilesThatCannotBeShownGiveNoPicture) {
    ASSERT_TRUE(writeFile(folder / "broken.bmp", "not a bitmap at all"));
    ASSERT_TRUE(writeFile(folder / "broken.wmf", "neither a metafile"));
    writeBitmap("picture.png", 4, 4);
    for (const std::string name : {"broken.bmp", "broken.wmf", "picture.png", "missing.emf"}) {
        EXPECT_EQ(LoadedPicture::load(folder / name).kind(), LoadedPicture::Kind::None) << name;
    }
    EXPECT_EQ(LoadedPicture::load("").kind(), LoadedPicture::Kind::None);
}

} // namespace
} // namespace velk::win32
