// The program's entry: the real platform, the three windows, the message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/error_report.h"
#include "app/form_install.h"
#include "dialogs/directory_form.h"
#include "dialogs/form_files.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/window_binding.h"

namespace {

// Initialises COM for the shell's folder tree on this thread for the program's lifetime.
class ComApartment {
  public:
    ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_) {
            CoUninitialize();
        }
    }

  private:
    bool initialized_;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    using namespace velk;
    using namespace velk::win32;

    // Before anything can load a DLL by name: only from the system folder.
    restrictDllSearch();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ComApartment com;

    Win32Registry registry;
    Win32FileSystem files;
    Win32MessageBoxes boxes(kProgramTitle);
    Win32ProcessStarter processes;
    Platform platform{registry, files, boxes, processes};

    // The main window's FormCreate runs here, so its message boxes come before any window.
    TFormInstall main(platform);
    TFormFiles formFiles(platform, main.packageFolder);
    TDirectoryForm directoryForm(platform);
    main.attachDialogs(&formFiles, &directoryForm);

    // Every window reports the errors its handlers do not handle in the general error report.
    const RunReportingErrors reporting = [&boxes](const std::function<void()>& action) {
        runReportingErrors(boxes, action);
    };
    FormWindow mainWindow(main, reporting, "TFormInstall");
    mainWindow.onCloseBox = [&main] { main.btExitClick(); };
    mainWindow.onClosing = [&main] { main.FormClose(); };
    mainWindow.onActivate = [&main] { main.FormActivate(); };
    mainWindow.create();
    if (mainWindow.hwnd() == nullptr) {
        // Nothing was installed: an unattended run says so as it does for any other stop.
        return main.exitCode != 0 ? main.exitCode : 1;
    }
    // The dialogs' windows (the folder picker's shell tree takes most of the start-up time) are
    // built once the shown main window has had nothing to do for a moment, or before the first
    // handler of a main window control runs, whichever comes first: the user sees the main
    // window and can use it without waiting for them, and every button that opens a dialog
    // finds it ready.
    FormWindow filesWindow(formFiles, reporting, "TFormFiles", &mainWindow);
    FormWindow directoryWindow(directoryForm, reporting, "TDirectoryForm", &mainWindow);
    mainWindow.runWhenIdle([&filesWindow, &directoryWindow] {
        filesWindow.create();
        directoryWindow.create();
    });

    (void)showCommand;
    mainWindow.show();
    FormWindow::runMessageLoop();
    return main.exitCode;
}
