#include "platform/win32/win32_message_boxes.h"

#include <windows.h>

#include "platform/win32/text_window.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {
namespace {

int showBox(const std::string& text, const wchar_t* title, UINT style) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr) {
        style |= MB_TASKMODAL; // no window of ours to disable: block the thread's windows
    }
    return MessageBoxW(owner, toWide(text).c_str(), title, style);
}

// Sees the messages of this thread's modal dialog loops before the dialog does.
LRESULT CALLBACK escapeAnswersNo(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
            HWND box = GetAncestor(msg->hwnd, GA_ROOT);
            HWND no = box ? GetDlgItem(box, IDNO) : nullptr;
            if (no != nullptr) {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                             reinterpret_cast<LPARAM>(no));
                return TRUE; // handled: the box does not see the key
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

EscapeAnswersNo::EscapeAnswersNo()
    : filter_(SetWindowsHookExW(WH_MSGFILTER, escapeAnswersNo, nullptr, GetCurrentThreadId())) {}

Win32MessageBoxes::Win32MessageBoxes(std::string reportCaption, bool seen)
    : reportCaption_(toWide(reportCaption)), seen_(seen) {}

int Win32MessageBoxes::show(const std::string& text, const wchar_t* title, UINT style) const {
    // A box that nobody sees would wait for ever: it counts as answered with OK, a question as
    // answered No, which is no consent, and a Retry box as answered Cancel.
    if (!seen_) {
        const UINT buttons = style & MB_TYPEMASK;
        return buttons == MB_YESNO ? IDNO : buttons == MB_RETRYCANCEL ? IDCANCEL : IDOK;
    }
    return showBox(text, title, style);
}

void Win32MessageBoxes::error(const std::string& text) {
    show(text, L"Error", MB_ICONERROR | MB_OK);
}

void Win32MessageBoxes::information(const std::string& text) {
    show(text, L"Information", MB_ICONINFORMATION | MB_OK);
}

bool Win32MessageBoxes::confirm(const std::string& text) {
    // Under Wine, Escape and the close box give IDCANCEL; Windows offers neither, and with the
    // filter Escape gives IDNO. Only an explicit Yes goes on.
    EscapeAnswersNo escape;
    return show(text, L"Confirm", MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

bool Win32MessageBoxes::retry(const std::string& text) {
    // Escape and the close box give IDCANCEL.
    return show(text, L"Warning", MB_ICONWARNING | MB_RETRYCANCEL | MB_DEFBUTTON1) == IDRETRY;
}

void Win32MessageBoxes::showText(const std::string& caption, const std::string& text) {
    if (seen_) {
        showTextWindow(caption, text);
    }
}

void Win32MessageBoxes::errorReport(const std::string& text) {
    show(text, reportCaption_.c_str(), MB_ICONERROR | MB_OK);
}

} // namespace velk::win32
