// The program's entry: the real platform, the three windows, the message loop.
#include <windows.h>

#include <commctrl.h>

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
#include "platform/win32/window_on_first_use.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    using namespace velk;
    using namespace velk::win32;

    // Before anything can load a DLL by name: only from the system folder.
    restrictDllSearch();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // COM and the shell's DLLs are loaded by the folder tree when it is first made
    // (platform/win32/system_library.h): the main window needs neither.

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
    // The dialogs' windows (the folder picker's shell tree alone costs more than the main
    // window) are made when a handler first prepares or shows them: a start-up, and an
    // unattended run, that never opens them never makes them.
    FormWindow filesWindow(formFiles, reporting, "TFormFiles", &mainWindow);
    FormWindow directoryWindow(directoryForm, reporting, "TDirectoryForm", &mainWindow);
    WindowOnFirstUse filesOnFirstUse(formFiles, filesWindow);
    WindowOnFirstUse directoryOnFirstUse(directoryForm, directoryWindow);

    (void)showCommand;
    mainWindow.show();
    FormWindow::runMessageLoop();
    return main.exitCode;
}
