// Times opening the file list (the "File List..." button's handler, until the dialog is shown,
// painted and waiting for input) for a package whose Libs folder holds many files, against a
// bare FindFirstFileA/FindNextFileA loop over the same folder, alternating in one process:
//   file_list_bench PACKAGE_FOLDER\ [ROUNDS]
// Prints one line per round and a summary with the medians and their ratio.

#include <windows.h>

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
#include "dialogs/form_files.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_registry.h"
#include "toolkit/win32/window_binding.h"

namespace {

using velk::bench::median;
using velk::bench::nowMs;
using velk::bench::SilentBoxes;

using velk::win32::UniqueFindHandle;

// The baseline: every entry of the folder, as the system yields them.
long enumerate(const std::string& folder) {
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (!find) {
        return 0;
    }
    long entries = 0;
    do {
        ++entries;
    } while (FindNextFileA(find.get(), &data));
    return entries;
}

// Waits, on its own thread, until the dialog is visible, has painted everything and its thread
// waits for input again; then records the time and closes the dialog as its close box would.
void watchDialog(HWND dialog, std::atomic<double>& shownAt) {
    while (!IsWindowVisible(dialog)) {
        Sleep(1);
    }
    // Paints whatever is still to be painted (sent to the dialog's thread, which runs it at once
    // from its message loop), then a round trip through that loop.
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageA(dialog, WM_NULL, 0, 0);
    shownAt = nowMs();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: file_list_bench PACKAGE_FOLDER\\ [ROUNDS]\n");
        return 2;
    }
    std::string packageFolder = argv[1];
    if (packageFolder.empty() || packageFolder.back() != '\\') {
        packageFolder += '\\';
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    velk::win32::Win32Registry registry;
    velk::win32::Win32FileSystem files;
    SilentBoxes boxes;
    velk::win32::Win32ProcessStarter processes;
    velk::Platform platform{registry, files, boxes, processes};

    velk::TFormInstall main(platform);
    velk::TFormFiles formFiles(platform, main.packageFolder);
    main.attachDialogs(&formFiles, nullptr);
    main.packageFolder = packageFolder;
    const velk::win32::RunReportingErrors reporting =
        [&boxes](const std::function<void()>& action) { velk::runReportingErrors(boxes, action); };
    velk::win32::FormWindow mainWindow(main, reporting, "TFormInstall");
    mainWindow.create();
    velk::win32::FormWindow filesWindow(formFiles, reporting, "TFormFiles", &mainWindow);
    filesWindow.create();

    // Warm the caches the same way for both.
    const long entries = enumerate(packageFolder + "Libs");
    std::vector<double> bare;
    std::vector<double> list;
    for (int round = 0; round < rounds; ++round) {
        double start = nowMs();
        const long seen = enumerate(packageFolder + "Libs");
        bare.push_back(nowMs() - start);
        if (seen != entries) {
            std::fprintf(stderr, "the folder changed during the run\n");
            return 1;
        }

        std::atomic<double> shownAt{0};
        std::thread watcher(watchDialog, filesWindow.hwnd(), std::ref(shownAt));
        start = nowMs();
        main.btFileListClick();
        watcher.join();
        list.push_back(shownAt - start);
        std::printf("round %d: enumeration %.1f ms, file list %.1f ms (%zu rows, \"%s\")\n",
                    round + 1, bare.back(), list.back(), formFiles.lvFiles.rows().size(),
                    formFiles.lFiles.text().c_str());
    }
    const double bareMedian = median(bare);
    const double listMedian = median(list);
    std::printf("entries %ld; median enumeration %.1f ms; median file list %.1f ms; ratio %.2f\n",
                entries, bareMedian, listMedian, listMedian / bareMedian);
    return 0;
}
