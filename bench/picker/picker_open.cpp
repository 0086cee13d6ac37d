// Times, from another process as a user would see it, opening the folder picker: from the
// click on "Browse" until the picker is shown and its thread waits for input again. Once with
// the target folder nine levels deep (the tree opens every ancestor down to it), once with the
// desktop's folder (which the tree selects as it is built, and so leaves as it is). Every opening
// runs in a freshly started installer, so that no case finds the tree already open; the order
// of the two cases alternates from round to round:
//   picker_open DEEP_FOLDER WORK_FOLDER [ROUNDS]
// Prints one line per round and a summary with the medians and their ratio (deep / desktop).

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"
#include "tests/e2e/driver/driver.h"

namespace {

using velk::bench::median;
using velk::bench::nowMs;

using namespace velk::e2e;

struct Opened {
    double ms;
    std::string folder;        // the picker's folder field once shown
    std::size_t treeDepth = 0; // of the tree's selected entry; 1 for the desktop
};

// Starts the installer, puts `target` into its target field and presses "Browse".
Opened openPicker(const std::string& package, const std::string& target) {
    Installer app = Installer::start(package);
    Window main = app.mainWindow();
    main.edit(1).setText(target);
    app.settle();
    const Window browse = main.button("Browse");
    velk::win32::UniqueHandle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, app.processId()));

    const double start = nowMs();
    PostMessageA(browse.hwnd(), BM_CLICK, 0, 0);
    PostMessageA(main.hwnd(), WM_NULL, 0, 0);
    HWND picker = nullptr;
    while (picker == nullptr) {
        HWND found = FindWindowA("TDirectoryForm", "Browse for Folder");
        if (found != nullptr && IsWindowVisible(found)) {
            picker = found;
        } else if (nowMs() - start > 20000) {
            throw DriverError("the picker did not open");
        } else {
            Sleep(1);
        }
    }
    WaitForInputIdle(process.get(), 20000); // advisory under Wine
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(picker, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer);
    const double ms = nowMs() - start;

    const Window shown(picker);
    const Opened opened{ms, shown.edit(0).text(),
                        shown.children("SysTreeView32").at(0).treeSelectionPath().size()};
    app.kill();
    app.waitForExit();
    return opened;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: picker_open DEEP_FOLDER WORK_FOLDER [ROUNDS]\n");
        return 2;
    }
    const std::string deep = argv[1];
    const std::string work = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;
    char desktopPath[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktopPath);
    const std::string desktopFolder = desktopPath;
    try {
        clearRegistry();
        addHostVersion(work + "\\host", "1.4");
        const std::string package =
            makePackage(work + "\\pkg", {.description = "[About]\nName=Bench\n[Dorvan]\n"
                                                        "Dorvan5_14=Yes\n"});
        // One opening of each outside the measurement, so that both find the caches warm.
        openPicker(package, deep);
        openPicker(package, desktopFolder);

        std::vector<double> onDesktop;
        std::vector<double> onDeep;
        for (int round = 0; round < rounds; ++round) {
            Opened desktop;
            Opened nested;
            if (round % 2 == 0) {
                desktop = openPicker(package, desktopFolder);
                nested = openPicker(package, deep);
            } else {
                nested = openPicker(package, deep);
                desktop = openPicker(package, desktopFolder);
            }
            // The deep case must really have found its folder, the desktop case left the tree.
            if (lstrcmpiA(nested.folder.c_str(), deep.c_str()) != 0 ||
                desktop.folder != desktopFolder || desktop.treeDepth != 1) {
                std::fprintf(stderr, "round %d: deep picker shows \"%s\", desktop picker \"%s\"\n",
                             round + 1, nested.folder.c_str(), desktop.folder.c_str());
                clearRegistry();
                return 1;
            }
            onDesktop.push_back(desktop.ms);
            onDeep.push_back(nested.ms);
            std::printf("round %d: desktop %.1f ms, nine levels deep %.1f ms\n", round + 1,
                        desktop.ms, nested.ms);
        }
        clearRegistry();
        const double desktopMedian = median(onDesktop);
        const double deepMedian = median(onDeep);
        std::printf("click to shown and idle: median desktop %.1f ms; median nine levels deep "
                    "%.1f ms; ratio %.2f\n",
                    desktopMedian, deepMedian, deepMedian / desktopMedian);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "picker_open: %s\n", error.what());
        clearRegistry();
        return 1;
    }
    return 0;
}
