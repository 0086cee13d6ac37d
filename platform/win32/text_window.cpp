#include "platform/win32/text_window.h"

#include <windows.h>

#include <algorithm>

#include "platform/line_breaks.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_class.h"

namespace velk::win32 {

namespace {

constexpr wchar_t kTextWindowClass[] = L"VelkTextWindow";
constexpr int kTextId = 100;

struct TextWindow {
    HWND text = nullptr;
    bool done = false;
};

LRESULT CALLBACK textWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<TextWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        // OK, Enter (the default button) and Escape (IDCANCEL, from the keyboard navigation).
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(hwnd);
        }
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_CTLCOLORSTATIC:
        // The read-only text on the colour of texts to read, not of the window's face.
        if (window != nullptr && reinterpret_cast<HWND>(lParam) == window->text) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DESTROY:
        if (window != nullptr) {
            window->done = true;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int screenDpi() {
    const UniqueHdc dc(CreateCompatibleDC(nullptr));
    const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

// The resolution of the monitor the window is on (Windows 10 on), else the screen's.
int dpiOf(HWND hwnd) {
    const auto function = getDpiForWindow.find();
    const int dpi = function != nullptr ? static_cast<int>(function(hwnd)) : 0;
    return dpi > 0 ? dpi : screenDpi();
}

// The system's font for message texts, at `dpi`.
UniqueHfont messageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, dpi, screenDpi());
    } else {
        font.lfHeight = -MulDiv(8, dpi, 72);
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    }
    return UniqueHfont(CreateFontIndirectW(&font));
}

RECT workAreaOf(HWND hwnd) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return monitor.rcWork;
    }
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

void showTextWindow(const std::string& caption, const std::string& text) {
    registerWindowClass(kTextWindowClass, &textWindowProc);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    HWND owner = GetActiveWindow();
    TextWindow window;
    // Made hidden first, so that its monitor and that monitor's resolution can be asked.
    HWND hwnd = CreateWindowExW(exStyle, kTextWindowClass, toWide(caption).c_str(), style,
                                CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr) {
        return;
    }
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
    const int dpi = dpiOf(hwnd);
    const auto scaled = [dpi](int length) { return MulDiv(length, dpi, 96); };
    const UniqueHfont font = messageFont(dpi);

    // The sizes the text needs, in the window's font.
    const UniqueHdc dc(CreateCompatibleDC(nullptr));
    HGDIOBJ oldFont = SelectObject(dc.get(), font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    const auto width = [&dc](const std::string& line) {
        const std::wstring wide = toWide(line);
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };

    RECT frame{0, 0, 0, 0};
    if (const auto adjust = adjustWindowRectExForDpi.find();
        adjust == nullptr || !adjust(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    const RECT work = workAreaOf(hwnd);
    const int margin = scaled(11);
    const int textMargin = scaled(4); // inside the text field, left and right
    const int edge = 2 * GetSystemMetrics(SM_CXEDGE);
    const int scrollBar = MulDiv(GetSystemMetrics(SM_CXVSCROLL), dpi, screenDpi());
    const int buttonWidth = scaled(75);
    const int buttonHeight = scaled(23);
    const int workWidth = static_cast<int>(work.right - work.left);
    const int workHeight = static_cast<int>(work.bottom - work.top);
    const int frameWidth = static_cast<int>(frame.right - frame.left);
    const int frameHeight = static_cast<int>(frame.bottom - frame.top);
    const int maxClientWidth = workWidth - frameWidth;
    const int maxClientHeight = workHeight - frameHeight;
    const int chrome = 2 * margin + edge + 2 * textMargin + 2;
    const int maxTextWidth = maxClientWidth - chrome - scrollBar;

    std::wstring shown;
    int textWidth = 0;
    int lineCount = 0;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\r', begin), text.size());
        for (const std::string& line :
             breakLine(text.substr(begin, end - begin), maxTextWidth, width)) {
            textWidth = std::max(textWidth, width(line));
            shown += (lineCount++ > 0 ? L"\r\n" : L"") + toWide(line);
        }
        begin = end + 1;
    }
    SelectObject(dc.get(), oldFont);

    // The margins above, between and below the text field and the button.
    const int besidesField = 3 * margin + buttonHeight;
    int fieldHeight = lineCount * metrics.tmHeight + edge + 2;
    const bool scrolls = fieldHeight + besidesField > maxClientHeight;
    if (scrolls) {
        fieldHeight = maxClientHeight - besidesField;
    }
    const int fieldWidth =
        std::min(textWidth + edge + 2 * textMargin + 2 + (scrolls ? scrollBar : 0),
                 maxClientWidth - 2 * margin);
    const int clientWidth = std::max(fieldWidth, buttonWidth) + 2 * margin;
    const int clientHeight = fieldHeight + besidesField;

    window.text = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", shown.c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                                      ES_AUTOHSCROLL | ES_AUTOVSCROLL | (scrolls ? WS_VSCROLL : 0),
                                  margin, margin, fieldWidth, fieldHeight, hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)),
                                  GetModuleHandleW(nullptr), nullptr);
    HWND ok =
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        (clientWidth - buttonWidth) / 2, margin + fieldHeight + margin, buttonWidth,
                        buttonHeight, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                        GetModuleHandleW(nullptr), nullptr);
    for (HWND control : {window.text, ok}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    SendMessageW(window.text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(textMargin, textMargin));

    // Centred on the work area of its monitor, which it fits.
    const int outerWidth = clientWidth + frameWidth;
    const int outerHeight = clientHeight + frameHeight;
    const int left = static_cast<int>(work.left) + std::max(0, (workWidth - outerWidth) / 2);
    const int top = static_cast<int>(work.top) + std::max(0, (workHeight - outerHeight) / 2);
    SetWindowPos(hwnd, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(ok);
    MSG msg;
    while (!window.done) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // for the loop that waits for it
            break;
        }
        if (got == -1) {
            break;
        }
        if (!IsDialogMessageW(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (IsWindow(hwnd)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

} // namespace velk::win32
