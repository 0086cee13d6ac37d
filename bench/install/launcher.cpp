// Runs one command line, waits for it and reports its wall time, exit code and peak memory
// (the largest PeakWorkingSetSize / PeakPagefileUsage seen while it ran, sampled every few
// milliseconds and once more when it ended):
//   install_launcher COMMAND [ARGUMENTS...]
// Prints one line: "ms=<wall time> exit=<code> peak_ws_kib=<n> peak_private_kib=<n>".

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

class ProcessHandles {
  public:
    explicit ProcessHandles(const PROCESS_INFORMATION& info) : info_(info) {}
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;
    ~ProcessHandles() {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    HANDLE process() const { return info_.hProcess; }

  private:
    PROCESS_INFORMATION info_;
};

// The rest of this program's command line, as it was typed (quotes kept).
std::string commandTail() {
    const char* line = GetCommandLineA();
    bool quoted = false;
    while (*line != '\0' && (quoted || (*line != ' ' && *line != '\t'))) {
        if (*line == '"') {
            quoted = !quoted;
        }
        ++line;
    }
    while (*line == ' ' || *line == '\t') {
        ++line;
    }
    return line;
}

} // namespace

int main() {
    std::string command = commandTail();
    if (command.empty()) {
        std::fprintf(stderr, "usage: install_launcher COMMAND [ARGUMENTS...]\n");
        return 2;
    }
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::fprintf(stderr, "cannot start \"%s\": error %lu\n", command.c_str(), GetLastError());
        return 2;
    }
    ProcessHandles process(info);

    SIZE_T peakWorkingSet = 0;
    SIZE_T peakPrivate = 0;
    auto sample = [&] {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(process.process(), &counters, sizeof counters)) {
            peakWorkingSet = std::max(peakWorkingSet, counters.PeakWorkingSetSize);
            peakPrivate = std::max(peakPrivate, counters.PeakPagefileUsage);
        }
    };
    while (WaitForSingleObject(process.process(), 5) == WAIT_TIMEOUT) {
        sample();
    }
    QueryPerformanceCounter(&end);
    sample();

    DWORD exitCode = 0;
    GetExitCodeProcess(process.process(), &exitCode);
    const double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                      static_cast<double>(frequency.QuadPart);
    std::printf("ms=%.0f exit=%lu peak_ws_kib=%llu peak_private_kib=%llu\n", ms, exitCode,
                static_cast<unsigned long long>(peakWorkingSet / 1024),
                static_cast<unsigned long long>(peakPrivate / 1024));
    return 0;
}
