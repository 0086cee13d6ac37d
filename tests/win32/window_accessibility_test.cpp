// What keyboard and screen-reader users get of the program's real windows under Wine: the main
// window's access keys, each control's name as Wine's reader (oleacc) gives it, and the order in
// which the library information is read.

#include <windows.h>

#include <gtest/gtest.h>
#include <oleacc.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "app/form_install.h"
#include "dialogs/directory_form.h"
#include "dialogs/form_files.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "toolkit/win32/window_binding.h"
#include "window_helpers.h"

namespace velk::win32 {
namespace {

// A text Wine's reader gives the control through `get`; "<none>" where it gives none, and where
// it gives an empty one unless `keepEmpty`.
std::string accessibleText(HWND control,
                           HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                           bool keepEmpty) {
    IAccessible* object = nullptr;
    if (FAILED(accessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          IID_IAccessible, reinterpret_cast<void**>(&object))) ||
        object == nullptr) {
        return "<no object>";
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT result = (object->*get)(self, &text);
    object->Release();
    const bool given = result == S_OK && text != nullptr && (keepEmpty || text[0] != L'\0');
    const std::string utf8 = given ? toUtf8(text) : "<none>";
    if (text != nullptr) {
        sysFreeString(text);
    }
    return utf8;
}

// The name Wine's reader gives the control.
std::string accessibleName(HWND control) {
    return accessibleText(control, &IAccessible::get_accName, true);
}

// The keyboard shortcut Wine's reader gives the control.
std::string accessibleShortcut(HWND control) {
    return accessibleText(control, &IAccessible::get_accKeyboardShortcut, false);
}

HWND childWithText(HWND parent, const std::string& text) {
    for (HWND child : childrenOf(parent)) {
        if (textOf(child) == text) {
            return child;
        }
    }
    ADD_FAILURE() << "no control \"" << text << "\"";
    return nullptr;
}

// The program's three windows, built from their layouts (no package beside this program: the
// main window has no description and no location).
class ProgramWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        main.attachDialogs(&files, &picker);
        mainWindow.create();
        filesWindow.create();
        pickerWindow.create();
        ASSERT_NE(mainWindow.hwnd(), nullptr);
    }

    ComApartment com;
    Win32Registry registry;
    Win32FileSystem fileSystem;
    NoBoxes boxes;
    Win32ProcessStarter processes;
    Platform platform{registry, fileSystem, boxes, processes};
    TFormInstall main{platform};
    TFormFiles files{platform, main.packageFolder};
    TDirectoryForm picker{platform};
    const RunReportingErrors reporting = [](const std::function<void()>& action) { action(); };
    FormWindow mainWindow{main, reporting, "TFormInstall"};
    FormWindow filesWindow{files, reporting, "TFormFiles", &mainWindow};
    FormWindow pickerWindow{picker, reporting, "TDirectoryForm", &mainWindow};
};

// Every button has a letter of its own; the frames and the path's label too, which move to the
// control after them. A value read from elsewhere shows its "&" as it is.
TEST_F(ProgramWindows, TheMainWindowsAccessKeysAreUnique) {
    std::map<char, std::vector<std::string>> keys;
    for (HWND child : childrenOf(mainWindow.hwnd())) {
        const bool noPrefix =
            classOf(child) == "Static" && (GetWindowLongPtrW(child, GWL_STYLE) & SS_NOPREFIX) != 0;
        const std::string text = textOf(child);
        const std::size_t amp = text.find('&');
        if (!noPrefix && amp != std::string::npos && amp + 1 < text.size()) {
            keys[static_cast<char>(std::tolower(static_cast<unsigned char>(text[amp + 1])))]
                .push_back(text);
        } else if (classOf(child) == "Button" &&
                   (GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON) {
            ADD_FAILURE() << "the button \"" << text << "\" has no access key";
        }
    }
    for (const auto& [key, captions] : keys) {
        EXPECT_EQ(captions.size(), 1u) << "'" << key << "' is the key of " << captions.size()
                                       << " controls, \"" << captions.front() << "\" among them";
    }
    EXPECT_EQ(keys.size(), 9u) << "six buttons, two frames, the path's label";
}

// The controls without a label of their own are read under their own names, never under a
// label of another control; a field after its label; a caption under its text without the "&".
TEST_F(ProgramWindows, EveryControlIsReadUnderItsOwnName) {
    EXPECT_EQ(accessibleName(childOfClass(mainWindow.hwnd(), "Edit", 1)), "Licence");
    EXPECT_EQ(accessibleName(childOfClass(mainWindow.hwnd(), "Edit")), "Install Path");
    EXPECT_EQ(accessibleName(mainWindow.progressBar()), "Progress");
    EXPECT_EQ(accessibleName(childWithText(mainWindow.hwnd(), "&Install")), "Install");
    EXPECT_EQ(accessibleName(childOfClass(filesWindow.hwnd(), "SysListView32")), "Package files");
    EXPECT_EQ(accessibleName(childOfClass(pickerWindow.hwnd(), "SysTreeView32")), "Folders");
    EXPECT_EQ(accessibleName(childOfClass(pickerWindow.hwnd(), "Edit")),
              "Folder for the new Project");
}

// A reader that walks a window's order meets no control without a name: no empty static text of
// no use, a logo named "Logo" when no library names it.
TEST_F(ProgramWindows, EveryVisibleControlHasAName) {
    main.lLibName.setText("Demo");
    main.lLibVersion.setText("2.0");
    main.lLibDistributed.setText("Velk-Marden");
    main.lLibAuthor.setText("Ann");
    for (HWND window : {mainWindow.hwnd(), filesWindow.hwnd(), pickerWindow.hwnd()}) {
        for (HWND child : childrenOf(window)) {
            if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0) {
                const std::string name = accessibleName(child);
                EXPECT_TRUE(name != "<none>" && !name.empty())
                    << classOf(child) << " \"" << textOf(child) << "\" in " << textOf(window);
            }
        }
    }
    EXPECT_EQ(accessibleName(childOfClass(mainWindow.hwnd(), "VelkPicture")), "Logo");
}

// A field reports the access key of its own caption label only: the licence text, which has
// none, reports no key, not that of a field before it in the window order.
TEST_F(ProgramWindows, NoFieldReportsTheAccessKeyOfAnother) {
    EXPECT_EQ(accessibleShortcut(childOfClass(mainWindow.hwnd(), "Edit", 1)), "<none>");
    EXPECT_EQ(accessibleShortcut(childOfClass(mainWindow.hwnd(), "Edit")), "Alt+P");
    EXPECT_EQ(accessibleName(childOfClass(mainWindow.hwnd(), "Edit", 1)), "Licence");
}

// Each caption of the library information directly before its value, where readers pair them.
TEST_F(ProgramWindows, EachLibraryCaptionComesRightBeforeItsValue) {
    main.lLibName.setText("Demo");
    main.lLibVersion.setText("2.0");
    main.lLibDistributed.setText("Velk-Marden");
    main.lLibAuthor.setText("Zoë");
    const std::vector<std::pair<std::string, std::string>> pairs{
        {"Name", "Demo"}, {"Version", "2.0"}, {"Distributed", "Velk-Marden"}, {"Author", "Zoë"}};
    for (const auto& [caption, value] : pairs) {
        EXPECT_EQ(GetWindow(childWithText(mainWindow.hwnd(), value), GW_HWNDPREV),
                  childWithText(mainWindow.hwnd(), caption))
            << caption;
        EXPECT_EQ(accessibleName(childWithText(mainWindow.hwnd(), value)), value);
    }
}

} // namespace
} // namespace velk::win32
