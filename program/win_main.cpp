// The program's entry: the real platform, the three windows, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/error_report.h"
#include "app/form_install.h"
#include "dialogs/directory_form.h"
#include "dialogs/form_files.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/program_arguments.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files_in_use.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/window_station.h"
#include "toolkit/win32/window_binding.h"
#include "toolkit/win32/window_on_first_use.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    using namespace velk;
    using namespace velk::win32;

    // Before anything can load a DLL by name: only from the system folder.
    restrictDllSearch();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // COM and the shell's DLLs are loaded by the folder tree when it is first made
    // (platform/win32/system_functions.h): the main window needs neither.

    Win32Registry registry;
    Win32FileSystem files;
    // Where nobody can see the program's windows, no message box waits for an answer.
    Win32MessageBoxes boxes(kProgramTitle, windowStationVisible());
    Win32LogFile log;
    Win32ProcessStarter processes(&log);
    Win32FilesInUse inUse;
    Platform platform{registry, files, boxes, processes, &log, &inUse};

    // The main window's FormCreate runs here, so its message boxes come before any window; it
    // reads the command line too.
    TFormInstall main(platform, programArguments());
    if (main.closed()) {
        // Nobody at the desktop and no unattended run to make, a bad command line, or /?.
        return main.finish();
    }
    TFormFiles formFiles(platform, main.packageFolder);
    TDirectoryForm directoryForm(platform);
    main.attachDialogs(&formFiles, &directoryForm);

    // Every window reports the errors its handlers do not handle in the general error report
    // (the main window's boxes, which an unattended run also logs).
    const RunReportingErrors reporting = [&main](const std::function<void()>& action) {
        runReportingErrors(main.platform().boxes, action);
    };
    FormWindow mainWindow(main, reporting, "TFormInstall");
    mainWindow.onCloseBox = [&main] { main.btExitClick(); };
    mainWindow.onClosing = [&main] { main.FormClose(); };
    mainWindow.onActivate = [&main] { main.FormActivate(); };
    mainWindow.create();
    if (mainWindow.hwnd() == nullptr) {
        // Nothing was installed: an unattended run says so as it does for any other stop.
        main.exitCode = main.exitCode != kExitInstalled ? main.exitCode : kExitFailed;
        return main.finish();
    }
    // The dialogs' windows (the folder picker's shell tree alone costs more than the main
    // window) are made when a handler first prepares or shows them: a start-up, and an
    // unattended run, that never opens them never makes them.
    FormWindow filesWindow(formFiles, reporting, "TFormFiles", &mainWindow);
    FormWindow directoryWindow(directoryForm, reporting, "TDirectoryForm", &mainWindow);
    WindowOnFirstUse filesOnFirstUse(formFiles, filesWindow);
    WindowOnFirstUse directoryOnFirstUse(directoryForm, directoryWindow);

    (void)showCommand;
    if (main.showsWindow()) {
        mainWindow.show(); // a quiet run works in the window, which nobody ever sees
    }
    if (!main.platform().boxes.seen()) {
        // Where nobody sees the window (a quiet or passive run too), nothing may ever activate
        // it: the unattended run starts all the same (at most once, however often the window is
        // activated).
        reporting([&main] { main.FormActivate(); });
    }
    FormWindow::runMessageLoop();
    return main.finish();
}
