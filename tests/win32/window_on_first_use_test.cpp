// The dialogs' windows are made when the program first prepares or shows them, and the shell's
// and COM's DLLs are loaded when the folder picker first needs them. The picker's case runs in a
// process of its own (this test program again, running only that case), so that no other test
// has loaded them before.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dialogs/directory_form.h"
#include "dialogs/form_files.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "test_support.h"
#include "toolkit/win32/window_binding.h"
#include "toolkit/win32/window_on_first_use.h"
#include "window_helpers.h"

namespace velk::win32 {
namespace {

using testing::TempFolder;

const char* const kChildVariable = "VELK_FIRST_USE_CHILD";
// The child's exit code when its case ran and passed: a child that ran no case ends with 0.
constexpr UINT kChildPassed = 42;

// Runs the current case again in a new process of this program; its exit code.
DWORD runInAProcessOfItsOwn() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string line = testing::quoted(toUtf8(self)) +
                             " --gtest_filter=" + info->test_suite_name() + "." + info->name();
    SetEnvironmentVariableA(kChildVariable, "1");
    UniqueHandle child = testing::startHelper(line);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    return testing::exitCodeAfter(child, 60000);
}

TEST(FirstUse, PositioningThePickerFirstMakesItsWindowAndLoadsTheShell) {
    if (std::getenv(kChildVariable) == nullptr) {
        EXPECT_EQ(runInAProcessOfItsOwn(), kChildPassed);
        return;
    }
    for (const wchar_t* dll : {L"shell32.dll", L"shlwapi.dll", L"ole32.dll"}) {
        ASSERT_EQ(GetModuleHandleW(dll), nullptr) << toUtf8(dll) << " is loaded already";
    }
    Win32Registry registry;
    Win32FileSystem files;
    NoBoxes boxes;
    Win32ProcessStarter processes;
    Platform platform{registry, files, boxes, processes};
    TDirectoryForm picker(platform);
    FormWindow window(
        picker, [](const std::function<void()>& action) { action(); }, "TDirectoryForm");
    WindowOnFirstUse onFirstUse(picker, window);
    ASSERT_EQ(window.hwnd(), nullptr);

    TempFolder folder;
    picker.ShellTree.selectFolder(folder.path());

    EXPECT_NE(window.hwnd(), nullptr);
    for (const wchar_t* dll : {L"shell32.dll", L"shlwapi.dll", L"ole32.dll"}) {
        EXPECT_NE(GetModuleHandleW(dll), nullptr) << toUtf8(dll);
    }
    // The tree stands on the folder, and its change handler has written the folder's path.
    EXPECT_EQ(lstrcmpiW(toWide(picker.eFolder.text()).c_str(), toWide(folder.path()).c_str()), 0)
        << picker.eFolder.text();
    if (!HasFailure()) {
        std::exit(static_cast<int>(kChildPassed));
    }
}

// An empty main window at a place of its own.
class MainForm : public Form {
  public:
    FormLayout layout() override {
        return {"Main", FrameKind::FixedDialog, Placement::Designed, 40, 60, 545, 261, {}};
    }
};

TEST(FirstUse, TheFileListIsMadeWhenFilledAndFirstShownCentredOverTheMainWindow) {
    Win32Registry registry;
    Win32FileSystem files;
    NoBoxes boxes;
    Win32ProcessStarter processes;
    Platform platform{registry, files, boxes, processes};
    const RunReportingErrors run = [](const std::function<void()>& action) { action(); };
    MainForm mainForm;
    FormWindow mainWindow(mainForm, run, "VelkTestMain");
    mainWindow.create();
    mainWindow.show();
    TempFolder package;
    TFormFiles fileList(platform, package.path() + "\\");
    FormWindow window(fileList, run, "TFormFiles", &mainWindow);
    WindowOnFirstUse onFirstUse(fileList, window);
    ASSERT_EQ(window.hwnd(), nullptr);

    fileList.fillFileList(package.path() + "\\");
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(window.hwnd()));
    PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    fileList.showModal();

    RECT main;
    RECT shown;
    GetWindowRect(mainWindow.hwnd(), &main);
    GetWindowRect(window.hwnd(), &shown);
    // Centred to the pixel, give or take the rounding of odd differences.
    EXPECT_NEAR(shown.left + shown.right, main.left + main.right, 1);
    EXPECT_NEAR(shown.top + shown.bottom, main.top + main.bottom, 1);
}

} // namespace
} // namespace velk::win32
