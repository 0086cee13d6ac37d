// Measures how long programs take from their start to their main window shown and idle, in turn,
// and prints each time, the medians, and the median of the rounds' ratios:
//   startup_launcher ROUNDS PROGRAM_A PROGRAM_B [CLASS_A CLASS_B]
// Each program runs once first, not measured, to warm the caches; then every round starts A,
// then B. A time runs from CreateProcess to the moment the process has a visible top-level
// window (of the given window class, when one is given: so that a message box shown before the
// main window does not count) whose thread answers a sent message, that is, runs its message
// loop; then the process is ended.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/bench_timing.h"

namespace {

using velk::bench::median;

struct Search {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK findVisibleWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (processId == search->processId && IsWindowVisible(hwnd) &&
        GetWindow(hwnd, GW_OWNER) == nullptr &&
        (search->className == nullptr || lstrcmpiA(className, search->className) == 0)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Measurement {
    double elapsed; // ms from the start to the shown, idle main window; negative on failure
};

Measurement measure(const std::string& program, const char* className) {
    std::string folder = program.substr(0, program.find_last_of("\\/") + 1);
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = now();
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "cannot start %s: error %lu\n", program.c_str(), GetLastError());
        return {-1};
    }
    // Advisory only: under Wine it may fail at once.
    WaitForInputIdle(process.hProcess, 10000);
    double elapsed = -1;
    while (now() - start < 30000) {
        Search search{process.dwProcessId, className, nullptr};
        EnumWindows(&findVisibleWindow, reinterpret_cast<LPARAM>(&search));
        DWORD_PTR answer = 0;
        if (search.found != nullptr && SendMessageTimeoutA(search.found, WM_NULL, 0, 0,
                                                           SMTO_ABORTIFHUNG, 10000, &answer) != 0) {
            elapsed = now() - start;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "%s ended before showing a window\n", program.c_str());
            break;
        }
        Sleep(1);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {elapsed};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr,
                     "usage: startup_launcher ROUNDS PROGRAM_A PROGRAM_B [CLASS_A CLASS_B]\n");
        return 2;
    }
    const char* classA = argc == 6 ? argv[4] : nullptr;
    const char* classB = argc == 6 ? argv[5] : nullptr;
    const int rounds = std::max(1, std::atoi(argv[1]));
    const std::string programA = argv[2];
    const std::string programB = argv[3];
    if (measure(programA, classA).elapsed < 0 || measure(programB, classB).elapsed < 0) {
        return 1;
    }
    std::vector<double> timesA;
    std::vector<double> timesB;
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        const Measurement a = measure(programA, classA);
        const Measurement b = measure(programB, classB);
        if (a.elapsed < 0 || b.elapsed < 0) {
            return 1;
        }
        timesA.push_back(a.elapsed);
        timesB.push_back(b.elapsed);
        ratios.push_back(a.elapsed / b.elapsed);
        std::printf("round %2d: A %8.1f ms   B %8.1f ms\n", round, a.elapsed, b.elapsed);
        std::fflush(stdout);
    }
    const double medianA = median(timesA);
    const double medianB = median(timesB);
    // The machine's load drifts; the ratio within each round (A and B run back to back) is the
    // steadier figure, and is the one to compare with the target.
    std::printf("median A %.1f ms, median B %.1f ms, ratio of medians %.3f\n", medianA, medianB,
                medianA / medianB);
    std::printf("median ratio A/B %.3f\n", median(ratios));
    return 0;
}
