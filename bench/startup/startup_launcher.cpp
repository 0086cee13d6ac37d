// Measures how long programs take from their start to their main window shown and idle, in turn,
// and prints each time, the medians, and each program's median ratio to the first one:
//   startup_launcher ROUNDS NAME CLASS PROGRAM ARGUMENTS [NAME CLASS PROGRAM ARGUMENTS]...
// NAME labels a program in the output; CLASS is the window class of its main window ("" for
// any), so that a message box shown before the main window does not count; ARGUMENTS may be "".
// Each program runs once first, not measured, to warm the caches; then every round runs each
// program once, starting with a different one each round, so that no program always follows
// the same one. A time runs from CreateProcess to the moment the process has a visible
// top-level window of the given class whose thread answers a sent message, that is, runs its
// message loop; then the process is ended.
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

struct Program {
    std::string name;
    std::string className;
    std::string path;
    std::string arguments;
};

Measurement measure(const Program& entry) {
    const std::string& program = entry.path;
    const char* className = entry.className.empty() ? nullptr : entry.className.c_str();
    std::string folder = program.substr(0, program.find_last_of("\\/") + 1);
    std::string commandLine = "\"" + program + "\"";
    if (!entry.arguments.empty()) {
        commandLine += " " + entry.arguments;
    }
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
    if (argc < 6 || (argc - 2) % 4 != 0) {
        std::fprintf(stderr, "usage: startup_launcher ROUNDS NAME CLASS PROGRAM ARGUMENTS "
                             "[NAME CLASS PROGRAM ARGUMENTS]...\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<Program> programs;
    for (int i = 2; i + 3 < argc; i += 4) {
        programs.push_back({argv[i], argv[i + 1], argv[i + 2], argv[i + 3]});
    }
    const std::size_t count = programs.size();
    for (const Program& program : programs) {
        if (measure(program).elapsed < 0) {
            return 1;
        }
    }
    std::vector<std::vector<double>> times(count);
    std::vector<std::vector<double>> ratios(count);
    for (int round = 1; round <= rounds; ++round) {
        std::vector<double> elapsed(count);
        for (std::size_t step = 0; step < count; ++step) {
            const std::size_t i = (step + static_cast<std::size_t>(round - 1)) % count;
            const Measurement m = measure(programs[i]);
            if (m.elapsed < 0) {
                return 1;
            }
            elapsed[i] = m.elapsed;
        }
        std::printf("round %2d:", round);
        for (std::size_t i = 0; i < count; ++i) {
            times[i].push_back(elapsed[i]);
            ratios[i].push_back(elapsed[i] / elapsed[0]);
            std::printf("  %s %.1f", programs[i].name.c_str(), elapsed[i]);
        }
        std::printf("  (ms)\n");
        std::fflush(stdout);
    }
    // The machine's load drifts; the ratio within each round (the programs run back to back) is
    // the steadier figure, and is the one to compare with the target.
    std::printf("%-24s %10s %22s\n", "program", "median ms",
                ("median ratio to " + programs[0].name).c_str());
    for (std::size_t i = 0; i < count; ++i) {
        std::printf("%-24s %10.1f %22.3f\n", programs[i].name.c_str(), median(times[i]),
                    median(ratios[i]));
    }
    return 0;
}
