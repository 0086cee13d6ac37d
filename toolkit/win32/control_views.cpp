#include "toolkit/win32/control_views.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "toolkit/win32/picture_view.h"

namespace velk::win32 {

namespace {

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

// The window's whole text, however long. Its length is only a hint, so the buffer has room for
// one more character than that and the terminator: a text that fills it may have been cut, and
// is read again into a larger one.
std::string windowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 2, L'\0');
    for (;;) {
        const int copied = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
        if (copied < 0 || static_cast<std::size_t>(copied) + 1 < text.size()) {
            text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
            return toUtf8(text);
        }
        text.resize(text.size() * 2);
    }
}

// Sets the window's text only when it differs, so that no change notification echoes back.
void setWindowText(HWND hwnd, const std::string& text) {
    if (windowText(hwnd) != text) {
        SetWindowTextW(hwnd, toWide(text).c_str());
    }
}

void setEnabled(HWND hwnd, bool enabled) {
    enableControl(hwnd, enabled);
}

void setTabStop(HWND hwnd, bool tabStop) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR wanted = tabStop ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP});
    if (wanted != style) {
        SetWindowLongPtrW(hwnd, GWL_STYLE, wanted);
    }
}

// Creates a control as a Unicode window, so that it takes and gives its text as UTF-16 and
// sends its notifications in the wide form.
HWND createChild(ControlHost& window, DWORD exStyle, const wchar_t* className,
                 const std::string& text, DWORD style, int left, int top, int width, int height,
                 HFONT font) {
    HWND hwnd = CreateWindowExW(
        exStyle, className, toWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, left, top, width,
        height, window.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(window.nextId())),
        instance(), nullptr);
    if (hwnd != nullptr) {
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return hwnd;
}

// The size of `text` drawn with `font`, as a label that sizes itself to its text needs it; with
// `accessKey`, an "&" marks the letter underlined after it and takes no room of its own.
SIZE textSize(HDC dc, HFONT font, const std::string& text, bool accessKey) {
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, 0, 0};
    const std::wstring shown = text.empty() ? std::wstring(L" ") : toWide(text);
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect,
              DT_CALCRECT | DT_EXPANDTABS | (accessKey ? 0 : DT_NOPREFIX));
    SelectObject(dc, old);
    return {text.empty() ? 0 : rect.right, rect.bottom};
}

// Static text. Width and height 0: sized to its text with its font, also after every change. A
// caption that names a control shows its access key ("&" before the letter); any other text, a
// value read from elsewhere among them, shows an "&" as it is.
class LabelView : public Win32ControlView {
  public:
    LabelView(ControlHost& window, TextControl& label, const ControlPlace& place, bool bold,
              bool accessKey)
        : window_(window), label_(label), place_(place), bold_(bold), accessKey_(accessKey),
          font_(bold ? window.boldFont() : window.font()), measureDc_(window.measureDc()) {
        autoSize_ = place.width == 0 && place.height == 0;
        const SIZE size = autoSize_ ? fittingSize() : SIZE{place.width, place.height};
        shownSize_ = size;
        hwnd_ = createChild(window, 0, L"STATIC", label.text(),
                            SS_LEFT | (accessKey ? 0 : SS_NOPREFIX) | WS_GROUP, place.left,
                            place.top, size.cx, size.cy, font_);
        window.addChild(hwnd_, this);
        setEnabled(hwnd_, label_.enabled());
    }
    void refresh() override {
        setWindowText(hwnd_, label_.text());
        setEnabled(hwnd_, label_.enabled());
        if (autoSize_) {
            const SIZE size = fittingSize();
            if (size.cx != shownSize_.cx || size.cy != shownSize_.cy) {
                shownSize_ = size;
                SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            InvalidateRect(hwnd_, nullptr, TRUE);
        }
    }
    void rescale(const ControlPlace& place, HFONT font, int dpi) override {
        place_ = place;
        font_ = bold_ ? window_.boldFont() : font;
        shownSize_ = autoSize_ ? fittingSize() : SIZE{place.width, place.height};
        Win32ControlView::rescale({place.left, place.top, shownSize_.cx, shownSize_.cy, 0}, font_,
                                  dpi);
    }

  private:
    // The text's size, cut at the right edge of the frame the label sits in.
    SIZE fittingSize() const {
        SIZE size = textSize(measureDc_, font_, label_.text(), accessKey_);
        if (place_.clipRight > 0 && place_.left + size.cx > place_.clipRight) {
            size.cx = place_.clipRight > place_.left ? place_.clipRight - place_.left : 0;
        }
        return size;
    }

    ControlHost& window_;
    TextControl& label_;
    ControlPlace place_;
    bool bold_;
    bool accessKey_;
    HFONT font_;
    HDC measureDc_;
    bool autoSize_;
    SIZE shownSize_{0, 0};
};

// The height of one line of the edit `hwnd` in its font.
int lineHeight(HWND hwnd) {
    const UniqueHdc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old =
        SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    SelectObject(dc.get(), old);
    return metrics.tmHeight;
}

// Paints the parts of the edit `hwnd` between its border and its client area with the brush it
// paints its background with.
void paintBands(HWND hwnd) {
    RECT window;
    GetWindowRect(hwnd, &window);
    RECT client;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);
    const int edge = GetSystemMetrics(SM_CYEDGE);
    const RECT bands[] = {{client.left, edge, client.right, client.top},
                          {client.left, client.bottom, client.right, window.bottom - edge}};
    HDC dc = GetWindowDC(hwnd);
    if (dc == nullptr) {
        return;
    }
    const bool plain =
        IsWindowEnabled(hwnd) && (GetWindowLongPtrW(hwnd, GWL_STYLE) & ES_READONLY) == 0;
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd), plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                     reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    for (const RECT& band : bands) {
        if (band.bottom > band.top) {
            FillRect(dc, &band, brush != nullptr ? brush : GetSysColorBrush(COLOR_WINDOW));
        }
    }
    ReleaseDC(hwnd, dc);
}

// A one-line edit draws its line at the top of its client area, which looks centred only while
// the field is about as high as the line, as at 100 %. So its client area is cut to the line's
// height, in the middle of the field; the bands above and below it are painted as the field's
// background and take clicks as the field does.
LRESULT CALLBACK centredLineSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        RECT& client = wParam != FALSE ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                       : *reinterpret_cast<RECT*>(lParam);
        const int spare = (client.bottom - client.top) - lineHeight(hwnd);
        if (spare > 0) {
            client.top += spare / 2;
            client.bottom -= spare - spare / 2;
        }
        return result;
    }
    case WM_NCPAINT: {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        paintBands(hwnd);
        return result;
    }
    case WM_ENABLE: {
        // The bands take the colour of the enabled or the disabled field.
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return result;
    }
    case WM_NCHITTEST: {
        const LRESULT hit = DefSubclassProc(hwnd, message, wParam, lParam);
        return hit == HTNOWHERE || hit == HTBORDER ? HTCLIENT : hit;
    }
    case WM_SETFONT: {
        // The line's height follows the font: the client area is cut anew.
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return result;
    }
    default:
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

// One-line text field. The user's typing goes to Edit::setText; the program's setText shows at
// once without coming back as a change.
class EditView : public Win32ControlView {
  public:
    EditView(ControlHost& window, Edit& edit, const ControlPlace& place, bool tabStop)
        : window_(window), edit_(edit) {
        hwnd_ = createChild(window, WS_EX_CLIENTEDGE, L"EDIT", edit.text(),
                            ES_LEFT | ES_AUTOHSCROLL | WS_GROUP | (tabStop ? WS_TABSTOP : 0),
                            place.left, place.top, place.width, place.height, window.font());
        SetWindowSubclass(hwnd_, &centredLineSubclass, 1, 0);
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        window.addChild(hwnd_, this);
        refresh();
    }
    ~EditView() override {
        if (IsWindow(hwnd_)) {
            RemoveWindowSubclass(hwnd_, &centredLineSubclass, 1);
        }
    }
    void refresh() override {
        if (windowText(hwnd_) != edit_.text()) {
            settingText_ = true;
            SetWindowTextW(hwnd_, toWide(edit_.text()).c_str());
            settingText_ = false;
        }
        setEnabled(hwnd_, edit_.enabled());
    }
    void onCommand(WORD notifyCode) override {
        if (notifyCode != EN_CHANGE || settingText_) {
            return;
        }
        const std::string text = windowText(hwnd_);
        window_.runReporting([this, &text] { edit_.setText(text); });
    }

  private:
    ControlHost& window_;
    Edit& edit_;
    bool settingText_ = false;
};

// The multi-line edit asks for every key; as a read-only info text it should let Tab, Enter and
// Escape go to the window's keyboard navigation instead.
LRESULT CALLBACK memoSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        const LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
        return code & ~LRESULT{DLGC_WANTALLKEYS | DLGC_WANTTAB};
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Read-only multi-line text without border or scroll bars, wrapping its words; the form window
// paints its background in the button face colour.
class MemoView : public Win32ControlView {
  public:
    MemoView(ControlHost& window, Memo& memo, const ControlPlace& place, bool tabStop)
        : memo_(memo) {
        hwnd_ = createChild(window, 0, L"EDIT", "",
                            ES_LEFT | ES_MULTILINE | ES_READONLY | WS_GROUP |
                                (tabStop ? WS_TABSTOP : 0),
                            place.left, place.top, place.width, place.height, window.font());
        SetWindowSubclass(hwnd_, &memoSubclass, 1, 0);
        window.addChild(hwnd_, this);
        refresh();
    }
    ~MemoView() override {
        if (IsWindow(hwnd_)) {
            RemoveWindowSubclass(hwnd_, &memoSubclass, 1);
        }
    }
    void refresh() override {
        std::string text;
        for (std::size_t i = 0; i < memo_.lines().size(); ++i) {
            if (i > 0) {
                text += "\r\n";
            }
            text += memo_.lines()[i];
        }
        setWindowText(hwnd_, text);
        setEnabled(hwnd_, memo_.enabled());
    }

  private:
    Memo& memo_;
};

class ButtonView : public Win32ControlView {
  public:
    ButtonView(ControlHost& window, Button& button, const ControlPlace& place, bool tabStop,
               bool isDefault)
        : window_(window), button_(button) {
        hwnd_ = createChild(window, 0, L"BUTTON", button.text(),
                            (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_GROUP |
                                (tabStop ? WS_TABSTOP : 0),
                            place.left, place.top, place.width, place.height, window.font());
        window.addChild(hwnd_, this);
        refresh();
    }
    void refresh() override {
        setWindowText(hwnd_, button_.text());
        setEnabled(hwnd_, button_.enabled());
    }
    void onCommand(WORD notifyCode) override {
        if (notifyCode == BN_CLICKED) {
            window_.runReporting([this] { button_.click(); });
        }
    }

  private:
    ControlHost& window_;
    Button& button_;
};

class GroupBoxView : public Win32ControlView {
  public:
    GroupBoxView(ControlHost& window, GroupBox& group, const ControlPlace& place) : group_(group) {
        hwnd_ = createChild(window, 0, L"BUTTON", group.text(), BS_GROUPBOX | WS_GROUP, place.left,
                            place.top, place.width, place.height, window.font());
        window.addChild(hwnd_, this);
        refresh();
    }
    void refresh() override {
        setWindowText(hwnd_, group_.text());
        setEnabled(hwnd_, group_.enabled());
    }

  private:
    GroupBox& group_;
};

class RadioGroupView;

// One radio button of a group: a click selects its item.
class RadioButtonView : public Win32ControlView {
  public:
    RadioButtonView(RadioGroupView& group, int index, HWND hwnd) : group_(group), index_(index) {
        hwnd_ = hwnd;
    }
    void refresh() override {}
    void onCommand(WORD notifyCode) override;

  private:
    RadioGroupView& group_;
    int index_;
};

// A frame with the group's caption and one radio button per item in one column, spaced evenly
// over the frame's height below the caption. The checks always follow RadioGroup::itemIndex;
// only the checked button (or the first, when none is checked) is a tab stop, so Tab enters the
// group at its selection and the arrow keys move within it.
class RadioGroupView : public Win32ControlView {
  public:
    RadioGroupView(ControlHost& window, RadioGroup& group, const ControlPlace& place, bool tabStop)
        : window_(window), group_(group), place_(place), tabStop_(tabStop) {
        hwnd_ = createChild(window, 0, L"BUTTON", group.caption(), BS_GROUPBOX | WS_GROUP,
                            place.left, place.top, place.width, place.height, window.font());
        window.addChild(hwnd_, this);
        refresh();
    }
    ~RadioGroupView() override {
        for (auto& button : buttons_) {
            window_.removeChild(button->hwnd());
        }
    }
    void refresh() override {
        if (group_.items() != shownItems_) {
            rebuild();
        }
        setWindowText(hwnd_, group_.caption());
        setEnabled(hwnd_, group_.enabled());
        const int selected = group_.itemIndex();
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            HWND button = buttons_[i]->hwnd();
            const bool checked = static_cast<int>(i) == selected;
            SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
            setTabStop(button, tabStop_ && (checked || (selected < 0 && i == 0)));
            setEnabled(button, group_.enabled());
        }
    }
    void enabledChanged(bool enabled) override {
        Win32ControlView::enabledChanged(enabled);
        for (const auto& button : buttons_) {
            button->enabledChanged(enabled);
        }
    }
    void rescale(const ControlPlace& place, HFONT font, int dpi) override {
        place_ = place;
        Win32ControlView::rescale(place, font, dpi);
        const int count = static_cast<int>(buttons_.size());
        for (int i = 0; i < count; ++i) {
            const RECT rect = buttonRect(i, count);
            buttons_[static_cast<std::size_t>(i)]->rescale(
                {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0}, font,
                dpi);
        }
    }
    void clicked(int index) {
        window_.runReporting([this, index] { group_.setItemIndex(index); });
        // Whatever the handler did, the checks show the group's state.
        refresh();
    }

  private:
    void rebuild() {
        HWND focus = GetFocus();
        bool hadFocus = false;
        for (auto& button : buttons_) {
            hadFocus = hadFocus || button->hwnd() == focus;
            window_.removeChild(button->hwnd());
            DestroyWindow(button->hwnd());
        }
        buttons_.clear();
        shownItems_ = group_.items();
        const int count = static_cast<int>(shownItems_.size());
        if (count == 0) {
            return;
        }
        // New windows come last in the window order (= tab order); the buttons must follow the
        // frame, which they do by themselves while the frame is the last window.
        const bool frameIsLast = GetWindow(hwnd_, GW_HWNDLAST) == hwnd_;
        const int selected = group_.itemIndex();
        HWND previous = hwnd_;
        for (int i = 0; i < count; ++i) {
            const bool tabStop = tabStop_ && (i == selected || (selected < 0 && i == 0));
            const RECT rect = buttonRect(i, count);
            HWND button = createChild(
                window_, 0, L"BUTTON", shownItems_[static_cast<std::size_t>(i)],
                BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0) | (tabStop ? WS_TABSTOP : 0),
                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                window_.font());
            if (!frameIsLast) {
                SetWindowPos(button, previous, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            previous = button;
            buttons_.push_back(std::make_unique<RadioButtonView>(*this, i, button));
            window_.addChild(button, buttons_.back().get());
        }
        if (hadFocus) {
            SetFocus(buttons_.front()->hwnd());
        }
    }

    // Where button `index` of `count` goes: in one column, spaced evenly over the frame's
    // height below its caption.
    RECT buttonRect(int index, int count) const {
        TEXTMETRICW metrics{};
        HDC dc = window_.measureDc();
        HGDIOBJ old = SelectObject(dc, window_.font());
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        const int usable = place_.height - metrics.tmHeight - window_.scale(5);
        const int buttonHeight = usable > 0 ? usable / count : 0;
        const int topMargin = metrics.tmHeight + 1 + (usable > 0 ? (usable % count) / 2 : 0);
        const int left = place_.left + window_.scale(8);
        const int top = place_.top + topMargin + index * buttonHeight;
        return {left, top, left + place_.width - window_.scale(10), top + buttonHeight};
    }

    ControlHost& window_;
    RadioGroup& group_;
    ControlPlace place_;
    bool tabStop_;
    std::vector<std::string> shownItems_;
    std::vector<std::unique_ptr<RadioButtonView>> buttons_;
};

void RadioButtonView::onCommand(WORD notifyCode) {
    if (notifyCode == BN_CLICKED) {
        group_.clicked(index_);
    }
}

// The keyboard navigation takes Enter for the window's default button; the list wants it for
// itself, to open the selected row (NM_RETURN), as a double-click does.
LRESULT CALLBACK listSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
            return code | DLGC_WANTMESSAGE;
        }
        return code;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// List in report view as a virtual list: the rows stay in ListView::rows() and the control asks
// for the texts it draws, so even a very long list shows at once. Enter on a row does what a
// double-click does.
class ListViewView : public Win32ControlView {
  public:
    ListViewView(ControlHost& window, ListView& list, const ControlPlace& place, bool tabStop)
        : window_(window), list_(list) {
        hwnd_ = createChild(window, WS_EX_CLIENTEDGE, WC_LISTVIEWW, "",
                            LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER |
                                LVS_OWNERDATA | WS_GROUP | (tabStop ? WS_TABSTOP : 0),
                            place.left, place.top, place.width, place.height, window.font());
        SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                     LVS_EX_FULLROWSELECT);
        int index = 0;
        for (const auto& column : list.columns()) {
            std::wstring caption = toWide(column.caption);
            LVCOLUMNW lvColumn{};
            lvColumn.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            lvColumn.fmt = LVCFMT_LEFT;
            lvColumn.cx = window.scale(column.width);
            lvColumn.pszText = caption.data();
            lvColumn.iSubItem = index;
            SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(&lvColumn));
            ++index;
        }
        SetWindowSubclass(hwnd_, &listSubclass, 1, 0);
        window.addChild(hwnd_, this);
        refresh();
    }
    ~ListViewView() override {
        if (IsWindow(hwnd_)) {
            RemoveWindowSubclass(hwnd_, &listSubclass, 1);
        }
    }
    void refresh() override {
        syncing_ = true;
        const int count = static_cast<int>(list_.rows().size());
        if (count != shownCount_) {
            SendMessageW(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
            shownCount_ = count;
        }
        const int selected = list_.selected();
        if (selectedInControl() != selected) {
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED;
            SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&none));
            if (selected >= 0) {
                LVITEMW item{};
                item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                item.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(selected),
                             reinterpret_cast<LPARAM>(&item));
                SendMessageW(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
            }
        }
        setEnabled(hwnd_, list_.enabled());
        InvalidateRect(hwnd_, nullptr, TRUE);
        syncing_ = false;
    }
    void rescale(const ControlPlace& place, HFONT font, int dpi) override {
        Win32ControlView::rescale(place, font, dpi);
        int index = 0;
        for (const auto& column : list_.columns()) {
            SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index++),
                         MAKELPARAM(window_.scale(column.width), 0));
        }
    }
    bool onNotify(NMHDR& header, LRESULT& result) override {
        switch (header.code) {
        case LVN_GETDISPINFOW: {
            // The list and its parent are Unicode windows, so the list asks in the wide form.
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr &&
                info.item.cchTextMax > 0) {
                const std::string* text = cellText(info.item.iItem, info.item.iSubItem);
                const std::wstring wide = text != nullptr ? toWide(*text) : std::wstring();
                // lstrcpyn cuts to the buffer (the list draws what fits) and always ends it.
                lstrcpynW(info.item.pszText, wide.c_str(), info.item.cchTextMax);
            }
            result = 0;
            return true;
        }
        case LVN_ITEMCHANGED:
            if (!syncing_) {
                const int selected = selectedInControl();
                if (selected != list_.selected()) {
                    window_.runReporting([this, selected] { list_.select(selected); });
                }
            }
            result = 0;
            return true;
        case NM_SETFOCUS:
            // With no row focused, the first one shows the focus rectangle (not selected), so
            // that the user sees where the arrow keys start.
            if (!list_.rows().empty() &&
                SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                             MAKELPARAM(LVNI_FOCUSED, 0)) == -1) {
                LVITEMW item{};
                item.stateMask = LVIS_FOCUSED;
                item.state = LVIS_FOCUSED;
                SendMessageW(hwnd_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
            }
            result = 0;
            return true;
        case NM_RETURN:
        case NM_DBLCLK: {
            const int selected = selectedInControl();
            window_.runReporting([this, selected] {
                if (selected != list_.selected()) {
                    list_.select(selected);
                }
                list_.dblClick();
            });
            result = 0;
            return true;
        }
        default:
            return false;
        }
    }

  private:
    int selectedInControl() const {
        return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             MAKELPARAM(LVNI_SELECTED, 0)));
    }
    const std::string* cellText(int row, int column) const {
        const auto& rows = list_.rows();
        if (row < 0 || row >= static_cast<int>(rows.size())) {
            return nullptr;
        }
        const auto& entry = rows[static_cast<std::size_t>(row)];
        if (column == 0) {
            return &entry.caption;
        }
        const auto sub = static_cast<std::size_t>(column - 1);
        return column > 0 && sub < entry.subItems.size() ? &entry.subItems[sub] : nullptr;
    }

    ControlHost& window_;
    ListView& list_;
    int shownCount_ = -1;
    bool syncing_ = false;
};

class BoundPictureView : public PictureView {
  public:
    BoundPictureView(ControlHost& window, Picture& picture, const ControlPlace& place)
        : PictureView(picture, window.hwnd(), place.left, place.top, place.width, place.height) {
        window.addChild(hwnd_, this);
    }
};

} // namespace

std::unique_ptr<Win32ControlView>
createControlView(ControlHost& window, const ControlLayout& layout, const ControlPlace& place) {
    const bool tabStop = layout.tabOrder >= 0;
    switch (layout.kind) {
    case ControlKind::Label:
        return std::make_unique<LabelView>(window, static_cast<TextControl&>(*layout.control),
                                           place, layout.bold, layout.names != nullptr);
    case ControlKind::Edit:
        return std::make_unique<EditView>(window, static_cast<Edit&>(*layout.control), place,
                                          tabStop);
    case ControlKind::Memo:
        return std::make_unique<MemoView>(window, static_cast<Memo&>(*layout.control), place,
                                          tabStop);
    case ControlKind::Button:
        return std::make_unique<ButtonView>(window, static_cast<Button&>(*layout.control), place,
                                            tabStop, layout.control == window.defaultButton());
    case ControlKind::RadioGroup:
        return std::make_unique<RadioGroupView>(window, static_cast<RadioGroup&>(*layout.control),
                                                place, tabStop);
    case ControlKind::GroupBox:
        return std::make_unique<GroupBoxView>(window, static_cast<GroupBox&>(*layout.control),
                                              place);
    case ControlKind::Picture:
        return std::make_unique<BoundPictureView>(window, static_cast<Picture&>(*layout.control),
                                                  place);
    case ControlKind::ListView:
        return std::make_unique<ListViewView>(window, static_cast<ListView&>(*layout.control),
                                              place, tabStop);
    case ControlKind::ShellTree:
        break;
    }
    return nullptr;
}

} // namespace velk::win32
