// Times opening the folder picker (the "Browse" button's handler, until the picker is shown,
// painted and waiting for input) on a folder nine levels deep, which makes the tree open every
// ancestor down to it, against opening it on the desktop's folder, which the tree selects as it
// is built and so leaves as it is.
// Every round builds a fresh picker for each case, so that no case finds the tree already open;
// the order of the two cases alternates from round to round:
//   picker_bench DEEP_FOLDER [ROUNDS]
// Prints one line per round and a summary with the medians and their ratio (deep / desktop).

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/error_report.h"
#include "app/form_install.h"
#include "bench/common/bench_timing.h"
#include "bench/common/silent_boxes.h"
#include "dialogs/directory_form.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "toolkit/win32/window_binding.h"

namespace {

using velk::bench::median;
using velk::bench::nowMs;
using velk::bench::SilentBoxes;

// Waits, on its own thread, until the picker is visible, has painted everything and its thread
// waits for input again; then records the time and closes the picker as its close box would.
void watchPicker(HWND picker, std::atomic<double>& shownAt) {
    while (!IsWindowVisible(picker)) {
        Sleep(0);
    }
    RedrawWindow(picker, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageA(picker, WM_NULL, 0, 0);
    shownAt = nowMs();
    PostMessageA(picker, WM_CLOSE, 0, 0);
}

// The desktop's folder, on which the tree's top entry stands.
std::string desktopPath() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
    return path;
}

struct Opened {
    double ms;
    double positionedMs;  // when the tree reported its new selection; 0 when it did not
    std::string folder;   // eFolder when the picker was shown
    std::string selected; // the tree's selected path
};

velk::win32::RunReportingErrors reportingTo(SilentBoxes& boxes) {
    return
        [&boxes](const std::function<void()>& action) { velk::runReportingErrors(boxes, action); };
}

// Builds a fresh picker, puts `target` into the target field and presses "Browse".
Opened openPicker(velk::Platform& platform, SilentBoxes& boxes, velk::TFormInstall& main,
                  velk::win32::FormWindow& mainWindow, const std::string& target) {
    velk::TDirectoryForm picker(platform);
    velk::win32::FormWindow pickerWindow(picker, reportingTo(boxes), "TDirectoryForm", &mainWindow);
    pickerWindow.create();
    main.attachDialogs(nullptr, &picker);
    main.eInstallDir.setText(target);
    double positionedAt = 0;
    const std::function<void()> change = picker.ShellTree.onChange;
    picker.ShellTree.onChange = [&] {
        positionedAt = nowMs();
        change();
    };

    std::atomic<double> shownAt{0};
    std::thread watcher(watchPicker, pickerWindow.hwnd(), std::ref(shownAt));
    const double start = nowMs();
    main.btBrowseClick();
    watcher.join();
    main.attachDialogs(nullptr, nullptr);
    return {shownAt - start, positionedAt > 0 ? positionedAt - start : 0, picker.eFolder.text(),
            picker.ShellTree.selectedPath()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: picker_bench DEEP_FOLDER [ROUNDS]\n");
        return 2;
    }
    const std::string deep = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    const std::string desktopFolder = desktopPath();

    velk::win32::Win32Registry registry;
    velk::win32::Win32FileSystem files;
    SilentBoxes boxes;
    velk::win32::Win32ProcessStarter processes;
    velk::Platform platform{registry, files, boxes, processes};
    if (!files.folderExists(deep)) {
        std::fprintf(stderr, "no folder %s\n", deep.c_str());
        return 2;
    }

    velk::TFormInstall main(platform);
    velk::win32::FormWindow mainWindow(main, reportingTo(boxes), "TFormInstall");
    mainWindow.create();

    // One opening of each outside the measurement, so that both find the system's caches warm.
    openPicker(platform, boxes, main, mainWindow, deep);
    openPicker(platform, boxes, main, mainWindow, desktopFolder);

    std::vector<double> onDesktop;
    std::vector<double> onDeep;
    for (int round = 0; round < rounds; ++round) {
        Opened desktop;
        Opened nested;
        if (round % 2 == 0) {
            desktop = openPicker(platform, boxes, main, mainWindow, desktopFolder);
            nested = openPicker(platform, boxes, main, mainWindow, deep);
        } else {
            nested = openPicker(platform, boxes, main, mainWindow, deep);
            desktop = openPicker(platform, boxes, main, mainWindow, desktopFolder);
        }
        // The deep case must really have found its folder, the desktop case left the tree be.
        if (lstrcmpiA(nested.selected.c_str(), deep.c_str()) != 0 ||
            nested.folder != nested.selected || desktop.folder != desktopFolder ||
            desktop.positionedMs != 0) {
            std::fprintf(
                stderr, "round %d: deep picker on \"%s\" (\"%s\"), desktop picker \"%s\"\n",
                round + 1, nested.selected.c_str(), nested.folder.c_str(), desktop.folder.c_str());
            return 1;
        }
        onDesktop.push_back(desktop.ms);
        onDeep.push_back(nested.ms);
        std::printf("round %d: desktop %.1f ms (\"%s\"), nine levels deep %.1f ms (positioned "
                    "after %.1f ms)\n",
                    round + 1, desktop.ms, desktop.selected.c_str(), nested.ms,
                    nested.positionedMs);
    }
    const double desktopMedian = median(onDesktop);
    const double deepMedian = median(onDeep);
    std::printf("median desktop %.1f ms; median nine levels deep %.1f ms; ratio %.2f\n",
                desktopMedian, deepMedian, deepMedian / desktopMedian);
    return 0;
}
