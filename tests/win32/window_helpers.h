#pragma once
// Reading the real windows a test has built: their texts, classes and children; and message
// boxes that nobody answers, for the windows' handlers.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "platform/win32/wide_text.h"

namespace velk::win32 {

// Shows nothing and answers No; an error report fails the test.
class NoBoxes : public MessageBoxes {
  public:
    void error(const std::string&) override {}
    void information(const std::string&) override {}
    bool confirm(const std::string&) override { return false; }
    bool retry(const std::string&) override { return false; }
    void errorReport(const std::string& text) override { ADD_FAILURE() << text; }
};

// The window's whole text, as Windows holds it.
inline std::wstring wideTextOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::string textOf(HWND hwnd) {
    return toUtf8(wideTextOf(hwnd));
}

inline std::string classOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return toUtf8(name);
}

// The child windows in window order (which Tab follows).
inline std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// The child of that class (letter case aside) after `skip` others of it, or null.
inline HWND childOfClass(HWND parent, const std::string& className, int skip = 0) {
    for (HWND child : childrenOf(parent)) {
        if (lstrcmpiW(toWide(classOf(child)).c_str(), toWide(className).c_str()) == 0 &&
            skip-- == 0) {
            return child;
        }
    }
    return nullptr;
}

} // namespace velk::win32
