// Windows and controls of another process: finding, reading, and input as a user gives it.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <thread>

#include "platform/win32/wide_text.h"
#include "tests/e2e/driver/capture.h"
#include "tests/e2e/driver/driver.h"

namespace velk::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 3000;

LRESULT sendTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kSendTimeoutMs, &result)) {
        throw DriverError("window " + Window(hwnd).describe() + " did not answer message " +
                          std::to_string(message) + " within " + std::to_string(kSendTimeoutMs) +
                          " ms");
    }
    return static_cast<LRESULT>(result);
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageW(hwnd, message, wParam, lParam)) {
        throw DriverError("cannot post message " + std::to_string(message) + " to " +
                          Window(hwnd).describe());
    }
}

// A modal loop waiting in GetMessage does not notice input from another process until some
// message arrives: a null message wakes it.
void wake(HWND hwnd) {
    PostMessageW(hwnd, WM_NULL, 0, 0);
}

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A caption as shown: an "&" marks the access key and is not shown; "&&" shows one "&".
std::string shownCaption(const std::string& caption) {
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
        }
        shown += caption[i];
    }
    return shown;
}

// A control's text is the one looked for, with or without the "&" of its access key.
bool captionIs(const std::string& text, const std::string& wanted) {
    return text == wanted || shownCaption(text) == wanted;
}

// Reading order: top to bottom, then left to right.
void sortByPosition(std::vector<Window>& windows) {
    std::stable_sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) {
        const RECT ra = a.rect();
        const RECT rb = b.rect();
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
}

LONG_PTR buttonType(const Window& window) {
    return window.style() & BS_TYPEMASK;
}

bool isRadio(const Window& window) {
    const LONG_PTR type = buttonType(window);
    return sameText(window.className(), "Button") &&
           (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

bool isGroupFrame(const Window& window) {
    return sameText(window.className(), "Button") && buttonType(window) == BS_GROUPBOX;
}

std::string listing(const std::vector<Window>& windows) {
    std::string text;
    for (const Window& window : windows) {
        text += "\n  " + window.describe();
    }
    return text.empty() ? " (none)" : text;
}

} // namespace

void waitUntil(const std::function<bool()>& condition, const std::string& what,
               Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw DriverError("timed out after " + std::to_string(timeout.count()) +
                              " ms waiting for " + what);
        }
        std::this_thread::sleep_for(Milliseconds(15));
    }
}

// ---- Reading ---------------------------------------------------------------------------------

bool Window::exists() const {
    return hwnd_ != nullptr && IsWindow(hwnd_);
}

std::string Window::className() const {
    wchar_t name[256] = {}; // a class name has at most 256 characters with its NUL
    const int length = GetClassNameW(hwnd_, name, 256);
    return win32::toUtf8(std::wstring_view(name, length > 0 ? static_cast<size_t>(length) : 0));
}

std::string Window::text() const {
    const auto length = static_cast<size_t>(sendTo(hwnd_, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto got = static_cast<size_t>(
        sendTo(hwnd_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(got, length));
    return win32::toUtf8(text);
}

bool Window::enabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}
bool Window::visible() const {
    return IsWindowVisible(hwnd_) != FALSE;
}
bool Window::checked() const {
    return sendTo(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
LONG_PTR Window::style() const {
    return GetWindowLongPtrW(hwnd_, GWL_STYLE);
}

RECT Window::rect() const {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return rect;
}

SIZE Window::clientSize() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

DWORD Window::processId() const {
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd_, &id);
    return id;
}

DWORD Window::threadId() const {
    return GetWindowThreadProcessId(hwnd_, nullptr);
}

std::string Window::describe() const {
    if (!exists()) {
        return "<gone>";
    }
    std::string caption;
    try {
        caption = this->text();
    } catch (const DriverError&) {
        caption = "<no answer>";
    }
    const RECT r = rect();
    return className() + " \"" + caption + "\" at " + std::to_string(r.left) + "," +
           std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top) + (visible() ? "" : " hidden") +
           (enabled() ? "" : " disabled");
}

// ---- Finding ---------------------------------------------------------------------------------

std::vector<Window> Window::children(const std::string& cls) const {
    struct Search {
        const std::string* cls;
        std::vector<Window> found;
    } search{&cls, {}};
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            Window window(child);
            if (s.cls->empty() || sameText(window.className(), *s.cls)) {
                s.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    sortByPosition(search.found);
    return search.found;
}

std::optional<Window> Window::findChild(const std::string& cls, const std::string& text) const {
    for (const Window& window : children(cls)) {
        if (captionIs(window.text(), text)) {
            return window;
        }
    }
    return std::nullopt;
}

Window Window::child(const std::string& cls, const std::string& text) const {
    if (auto found = findChild(cls, text)) {
        return *found;
    }
    throw DriverError("no " + cls + " \"" + text + "\" in " + describe() +
                      "; its controls are:" + listing(children()));
}

Window Window::edit(size_t index) const {
    const std::vector<Window> edits = children("Edit");
    if (index >= edits.size()) {
        throw DriverError("no Edit number " + std::to_string(index) + " in " + describe() +
                          "; its controls are:" + listing(children()));
    }
    return edits[index];
}

std::vector<Window> Window::radioItems(const std::string& groupCaption) const {
    const std::vector<Window> all = children("Button");
    const auto frame = std::find_if(all.begin(), all.end(), [&](const Window& window) {
        return isGroupFrame(window) && captionIs(window.text(), groupCaption);
    });
    if (frame == all.end()) {
        throw DriverError("no frame \"" + groupCaption + "\" in " + describe() +
                          "; its controls are:" + listing(children()));
    }
    const RECT area = frame->rect();
    std::vector<Window> items;
    for (const Window& window : all) {
        const RECT r = window.rect();
        const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (isRadio(window) && window.visible() && PtInRect(&area, centre)) {
            items.push_back(window);
        }
    }
    return items;
}

Window Window::labelRightOf(const std::string& captionLabel) const {
    const Window caption = child("Static", captionLabel);
    const RECT c = caption.rect();
    std::optional<Window> best;
    for (const Window& window : children("Static")) {
        const RECT r = window.rect();
        if (window.hwnd() != caption.hwnd() && std::abs(r.top - c.top) <= 4 &&
            r.left >= c.right - 2 && (!best || r.left < best->rect().left)) {
            best = window;
        }
    }
    if (!best) {
        throw DriverError("no label right of \"" + captionLabel + "\" in " + describe());
    }
    return *best;
}

std::vector<std::string> Window::staticTexts() const {
    std::vector<std::string> texts;
    for (const Window& window : children("Static")) {
        texts.push_back(window.text());
    }
    return texts;
}

std::vector<Window> topWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<Window> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            Window window(hwnd);
            if (window.processId() == s.processId && window.visible()) {
                s.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// ---- Input -----------------------------------------------------------------------------------

void Window::click() const {
    if (!exists()) {
        throw DriverError("cannot click a window that is gone");
    }
    if (!enabled() || !visible()) {
        throw DriverError("cannot click " + describe() + ": a user could not either");
    }
    post(hwnd_, BM_CLICK, 0, 0);
    wake(hwnd_);
}

void Window::mouseClick() const {
    if (!exists()) {
        throw DriverError("cannot click a window that is gone");
    }
    if (!enabled() || !visible()) {
        throw DriverError("cannot click " + describe() + ": a user could not either");
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
    post(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at);
    post(hwnd_, WM_LBUTTONUP, 0, at);
    wake(hwnd_);
}

Window Window::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return Window(GetGUIThreadInfo(threadId(), &info) ? info.hwndFocus : nullptr);
}

void Window::close() const {
    post(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    wake(hwnd_);
}

void Window::pressKey(WORD virtualKey) const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = hwnd_;
    if (GetGUIThreadInfo(threadId(), &info) && info.hwndFocus != nullptr) {
        target = info.hwndFocus;
    }
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    post(target, WM_KEYDOWN, virtualKey, scan | 1);
    post(target, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
    wake(target);
}

void Window::setText(const std::string& text) const {
    if (!enabled() || !visible()) {
        throw DriverError("cannot type into " + describe() + ": a user could not either");
    }
    const std::wstring wide = win32::toWide(text);
    sendTo(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

// ---- Message boxes ---------------------------------------------------------------------------

bool isMessageBox(const Window& window) {
    if (window.className() != "#32770") {
        return false;
    }
    bool anyButton = false;
    for (const Window& child : window.children()) {
        const std::string cls = child.className();
        if (sameText(cls, "Button")) {
            anyButton = true;
        } else if (!sameText(cls, "Static")) {
            return false;
        }
    }
    return anyButton;
}

MessageBoxView readMessageBox(const Window& window) {
    MessageBoxView box;
    box.window = window;
    box.caption = window.text();
    std::vector<Window> buttons;
    for (const Window& child : window.children()) {
        if (!child.visible()) {
            continue;
        }
        if (sameText(child.className(), "Button")) {
            buttons.push_back(child);
        } else if ((child.style() & SS_TYPEMASK) == SS_ICON) {
            box.icon = detail::recognizeIcon(child);
        } else {
            const std::string text = child.text();
            if (!text.empty()) {
                box.text += (box.text.empty() ? "" : "\n") + text;
            }
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(), [](const Window& a, const Window& b) {
        return a.rect().left < b.rect().left;
    });
    for (const Window& button : buttons) {
        box.buttons.push_back(button.text());
    }
    return box;
}

void MessageBoxView::answer(const std::string& buttonCaption) const {
    window.button(buttonCaption).click();
    // The click is posted: until the box has closed, a search for the next box would find this
    // one again, half torn down.
    waitUntil([this] { return !window.exists() || !window.visible(); },
              "the message box \"" + caption + "\" to close after \"" + buttonCaption + "\"");
}

const char* toString(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::None:
        return "no icon";
    case BoxIcon::Error:
        return "error icon";
    case BoxIcon::Information:
        return "information icon";
    case BoxIcon::Question:
        return "question icon";
    case BoxIcon::Warning:
        return "warning icon";
    case BoxIcon::Unknown:
        break;
    }
    return "unrecognised icon";
}

} // namespace velk::e2e
