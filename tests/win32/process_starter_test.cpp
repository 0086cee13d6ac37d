// Starting programs: the exact command line arrives, failures stay silent, and the wait for
// readiness ends early when the program cannot become ready. An elevated program starts them
// through the desktop's shell where one runs, and on its own where none does.

#include <windows.h>

#include <exdisp.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/desktop_shell.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_process_starter.h"
#include "test_support.h"

// Registers the desktop's shell window; user32 has it, the headers do not.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

namespace velk::win32 {
namespace {

using testing::contentOf;
using testing::NamedEvent;
using testing::quoted;
using testing::TempFolder;
using testing::toolPath;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class ProcessStarterTest : public ::testing::Test {
  protected:
    // Starts the command line and returns how long startProgram took, in seconds.
    double timedStart(const std::string& commandLine) {
        const auto start = Clock::now();
        starter.startProgram(commandLine, "");
        return secondsSince(start);
    }

    // Waits until the recording program has written its line (or a few seconds passed).
    static std::string recorded(const std::string& file) {
        const auto start = Clock::now();
        std::string content = contentOf(file);
        while (content.find('\n') == std::string::npos && secondsSince(start) < 15) {
            Sleep(50);
            content = contentOf(file);
        }
        return content;
    }

    Win32ProcessStarter starter;
    TempFolder temp;
};

TEST_F(ProcessStarterTest, TheProgramReceivesTheCommandLineExactly) {
    const std::string record = temp / "record Пакет.txt";
    ASSERT_TRUE(SetEnvironmentVariableW(L"VELK_RECORD_FILE", testing::systemPath(record).c_str()));
    const std::string lines[] = {
        quoted(toolPath("record_command_line")) + " " + quoted(temp / "my docs\\read me.txt"),
        quoted(toolPath("record_command_line")) + " " + quoted(temp / "Пакет 库\\Größe λ.zlb"),
        quoted(toolPath("record_command_line")) + "  plain   \"two  blanks\" \"\" end ",
    };
    for (const std::string& line : lines) {
        DeleteFileW(testing::systemPath(record).c_str());
        starter.startProgram(line, "");
        EXPECT_EQ(recorded(record), line + "\r\n");
    }
    SetEnvironmentVariableA("VELK_RECORD_FILE", nullptr);
}

TEST_F(ProcessStarterTest, AProgramThatCannotStartIsPassedOverSilently) {
    double seconds = 0;
    EXPECT_NO_THROW(seconds = timedStart(quoted(temp / "no such program.exe") + " arg"));
    EXPECT_LT(seconds, 5.0);
    EXPECT_NO_THROW(timedStart(""));
    EXPECT_NO_THROW(timedStart("   "));
    // A document, not a program.
    ASSERT_TRUE(testing::writeFile(temp / "readme.txt", "text"));
    EXPECT_NO_THROW(timedStart(quoted(temp / "readme.txt")));
}

TEST_F(ProcessStarterTest, DoesNotWaitForAProgramWithoutMessageQueue) {
    NamedEvent release("velk_release");
    const double seconds = timedStart(quoted(toolPath("wait_without_queue")) + " " + release.name);
    SetEvent(release.handle.get());
    EXPECT_LT(seconds, 5.0); // far below the ten seconds the wait may last
}

TEST_F(ProcessStarterTest, WaitsUntilTheProgramIsReadyForInput) {
    NamedEvent release("velk_release");
    const double seconds =
        timedStart(quoted(toolPath("idle_after_delay")) + " 1500 " + release.name);
    SetEvent(release.handle.get());
    // The program reads its messages after 1.5 s: the start waits that long, not ten seconds.
    EXPECT_GT(seconds, 1.3);
    EXPECT_LT(seconds, 8.0);
}

// Every process by id, with its parent's id and its program's file name.
struct ProcessEntry {
    DWORD parent = 0;
    std::wstring program;
};

std::map<DWORD, ProcessEntry> processes() {
    std::map<DWORD, ProcessEntry> found;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        found[entry.th32ProcessID] = ProcessEntry{entry.th32ParentProcessID, entry.szExeFile};
    }
    return found;
}

// Starts a program that waits until released through the starter, and gives the file name of
// the program whose child it became.
std::wstring parentOfStarted(Win32ProcessStarter& starter) {
    const std::wstring tool = L"idle_after_delay.exe";
    std::set<DWORD> before;
    for (const auto& [id, entry] : processes()) {
        if (CompareStringOrdinal(entry.program.c_str(), -1, tool.c_str(), -1, TRUE) == CSTR_EQUAL) {
            before.insert(id);
        }
    }
    NamedEvent release("velk_release");
    starter.startProgram(quoted(toolPath("idle_after_delay")) + " 0 " + release.name, "");
    std::optional<std::wstring> parent;
    const auto start = Clock::now();
    while (!parent && secondsSince(start) < 15) {
        const std::map<DWORD, ProcessEntry> now = processes();
        for (const auto& [id, entry] : now) {
            if (before.count(id) == 0 &&
                CompareStringOrdinal(entry.program.c_str(), -1, tool.c_str(), -1, TRUE) ==
                    CSTR_EQUAL) {
                const auto parentEntry = now.find(entry.parent);
                parent = parentEntry == now.end() ? L"<ended>" : parentEntry->second.program;
            }
        }
        Sleep(50);
    }
    SetEvent(release.handle.get());
    return parent.value_or(L"<not started>");
}

// Without a shell on the desktop, the program starts as a child of the starter.
TEST_F(ProcessStarterTest, WithoutTheDesktopsShellStartsTheProgramItself) {
    VELK_WINE_ONLY("needs a desktop without a shell: Wine's explorer registers none, and on "
                   "Windows the desktop's shell always runs");
    ASSERT_EQ(GetShellWindow(), nullptr);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring name = std::wstring(self).substr(std::wstring(self).find_last_of(L'\\') + 1);
    EXPECT_EQ(parentOfStarted(starter), name);
}

// Whether COM finds the automation object of Wine's desktop shell at all. Often it does not:
// Wine's COM service keeps handing out the registration of an explorer.exe that ended with an
// earlier display, or the desktop's explorer.exe registered itself before that service ran and is
// never found. The starter then rightly starts programs itself.
bool shellAutomationReachable() {
    bool reachable = false;
    std::thread([&reachable] {
        const ComApartment com(COINIT_MULTITHREADED);
        IShellWindows* windows = nullptr;
        if (SUCCEEDED(coCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                       IID_IShellWindows, reinterpret_cast<void**>(&windows)))) {
            windows->Release();
            reachable = true;
        }
    }).join();
    return reachable;
}

// The file name of this program.
std::wstring ownProgramName() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::wstring(self).substr(std::wstring(self).find_last_of(L'\\') + 1);
}

// Elevated (as every Wine process is) with a shell window registered: the program becomes the
// shell's child, with the desktop user's rights. The test registers a window of its own as the
// shell window, so that the starter sees a shell; the shell's automation object it then reaches
// is that of Wine's explorer.exe, which owns the desktop. Where COM does not find that object,
// the starter starts the program itself.
TEST_F(ProcessStarterTest, ElevatedStartsTheProgramThroughTheDesktopsShell) {
    VELK_WINE_ONLY("registers a window of its own as the desktop's shell, which on Windows the "
                   "running shell already is");
    ASSERT_TRUE(runningElevated());
    const bool reachable = shellAutomationReachable();
    HWND shell = CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(shell, nullptr);
    ASSERT_TRUE(SetShellWindow(shell));
    const std::wstring parent = parentOfStarted(starter);
    DestroyWindow(shell);
    EXPECT_EQ(GetShellWindow(), nullptr);
    const std::wstring expected = reachable ? L"explorer.exe" : ownProgramName();
    EXPECT_EQ(CompareStringOrdinal(parent.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
        << toUtf8(parent)
        << (reachable ? "" : " (COM does not find the shell's automation object)");
}

// On Windows the desktop's shell runs: elevated, the program becomes the child of the process
// that owns the shell window, and so runs with the desktop user's own rights.
TEST_F(ProcessStarterTest, ElevatedStartsTheProgramAsTheDesktopsUser) {
    VELK_WINDOWS_ONLY("Wine's explorer registers no shell window");
    ASSERT_TRUE(runningElevated()) << "run as administrator";
    ASSERT_NE(GetShellWindow(), nullptr) << "no shell runs on this desktop";
    DWORD shellId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &shellId);
    const std::map<DWORD, ProcessEntry> running = processes();
    const auto shell = running.find(shellId);
    ASSERT_NE(shell, running.end());
    const std::wstring shellProgram = shell->second.program;
    const std::wstring parent = parentOfStarted(starter);
    EXPECT_EQ(CompareStringOrdinal(parent.c_str(), -1, shellProgram.c_str(), -1, TRUE), CSTR_EQUAL)
        << toUtf8(parent) << " instead of " << toUtf8(shellProgram);
}

// Every thread of the desktop's shell (explorer.exe) and of the service through which COM finds
// it (rpcss.exe) suspended for as long as this lives: a shell that does not answer, whether
// Wine's shell has managed to make itself known to COM or not.
class HungShell {
  public:
    HungShell() {
        std::set<DWORD> shells;
        for (const auto& [id, entry] : processes()) {
            for (const wchar_t* name : {L"explorer.exe", L"rpcss.exe"}) {
                if (CompareStringOrdinal(entry.program.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) {
                    shells.insert(id);
                }
            }
        }
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot.get(), &entry); more;
             more = Thread32Next(snapshot.get(), &entry)) {
            if (shells.count(entry.th32OwnerProcessID) != 0) {
                UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
                if (thread && SuspendThread(thread.get()) != static_cast<DWORD>(-1)) {
                    threads_.push_back(std::move(thread));
                }
            }
        }
    }
    HungShell(const HungShell&) = delete;
    HungShell& operator=(const HungShell&) = delete;
    ~HungShell() {
        for (const UniqueHandle& thread : threads_) {
            ResumeThread(thread.get());
        }
    }
    std::size_t threads() const { return threads_.size(); }

  private:
    std::vector<UniqueHandle> threads_;
};

// Tells whether a start is under way and how long the last one took.
class WatchedStarter : public Win32ProcessStarter {
  public:
    explicit WatchedStarter(LogFile* log) : Win32ProcessStarter(log) {}
    void startProgram(const std::string& commandLine, const std::string& folder) override {
        const auto start = Clock::now();
        starting = true;
        Win32ProcessStarter::startProgram(commandLine, folder);
        starting = false;
        seconds = secondsSince(start);
    }
    std::atomic<bool> starting{false};
    double seconds = 0;
};

// How often the test's shell window has been painted.
std::atomic<int> shellPaints{0};

LRESULT CALLBACK countingPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        ++shellPaints;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A shell that does not answer is waited for only up to the bound, and the program then starts
// itself; meanwhile the calling thread's windows go on repainting.
TEST_F(ProcessStarterTest, AShellThatDoesNotAnswerIsWaitedForOnlyUntilTheBound) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &countingPaints;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelkPaintCounter";
    RegisterClassW(&windowClass);
    HWND shell = CreateWindowExW(0, windowClass.lpszClassName, L"shell", WS_POPUP | WS_VISIBLE, 0,
                                 0, 50, 50, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(shell, nullptr);
    ASSERT_TRUE(SetShellWindow(shell));
    UpdateWindow(shell);
    Win32LogFile log;
    ASSERT_TRUE(log.open(temp / "run.log"));
    WatchedStarter watched(&log);
    double slowestRepaint = 0;
    int repaints = 0;
    std::atomic<bool> done{false};
    std::wstring parent;
    {
        const HungShell hung;
        EXPECT_GT(hung.threads(), 0u);
        // Another thread invalidates the window again and again while the start is under way,
        // and times each repaint.
        std::thread watcher([&] {
            while (!done) {
                const int painted = shellPaints;
                const bool during = watched.starting;
                const auto start = Clock::now();
                InvalidateRect(shell, nullptr, FALSE);
                while (shellPaints == painted && secondsSince(start) < 2) {
                    Sleep(1);
                }
                if (during && watched.starting) {
                    slowestRepaint = std::max(slowestRepaint, secondsSince(start));
                    ++repaints;
                }
                Sleep(20);
            }
        });
        parent = parentOfStarted(watched);
        done = true;
        watcher.join();
    }
    DestroyWindow(shell);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(parent, std::wstring(self).substr(std::wstring(self).find_last_of(L'\\') + 1));
    // The shell was waited for, up to the bound and not much longer.
    EXPECT_GT(watched.seconds, kDesktopShellBoundMs / 1000.0 * 0.9);
    EXPECT_LT(watched.seconds, kDesktopShellBoundMs / 1000.0 + 2);
    EXPECT_GT(repaints, 0);
    EXPECT_LT(slowestRepaint, 0.1);
    EXPECT_NE(contentOf(temp / "run.log")
                  .find("The desktop's shell did not answer within 3 s: \"" +
                        toolPath("idle_after_delay") +
                        "\" is started with the installer's own rights\r\n"),
              std::string::npos)
        << contentOf(temp / "run.log");
}

struct Split {
    const char* commandLine; // "<dir>" stands for the test's folder
    const char* program;     // "" for none
    const char* arguments;
};

// The program and arguments that the shell is given, taken apart as CreateProcess would.
TEST_F(ProcessStarterTest, TakesTheCommandLineApartAsTheSystemDoes) {
    ASSERT_TRUE(CreateDirectoryW(testing::systemPath(temp / "my tools").c_str(), nullptr));
    ASSERT_TRUE(testing::writeFile(temp / "my tools\\edit.exe", "MZ"));
    ASSERT_TRUE(testing::writeFile(temp / "notes.txt", "text"));
    const Split splits[] = {
        {"\"<dir>\\my tools\\edit.exe\"  \"a b\" c", "<dir>\\my tools\\edit.exe", "\"a b\" c"},
        {"<dir>\\my tools\\edit.exe \"a b\"", "<dir>\\my tools\\edit.exe", "\"a b\""},
        {"<dir>\\my tools\\edit \"a b\"", "<dir>\\my tools\\edit.exe", "\"a b\""},
        {"\"<dir>\\notes.txt\" x", "", ""}, // no program: the shell would open it
        {"<dir>\\missing.exe x", "", ""},
    };
    const auto expand = [&](std::string text) {
        for (auto at = text.find("<dir>"); at != std::string::npos; at = text.find("<dir>")) {
            text.replace(at, 5, temp.path());
        }
        return text;
    };
    for (const Split& split : splits) {
        SCOPED_TRACE(split.commandLine);
        const auto parts = splitCommandLine(toWide(expand(split.commandLine)));
        if (*split.program == '\0') {
            EXPECT_FALSE(parts.has_value());
            continue;
        }
        ASSERT_TRUE(parts.has_value());
        EXPECT_EQ(toUtf8(parts->program), expand(split.program));
        EXPECT_EQ(toUtf8(parts->arguments), split.arguments);
    }
}

} // namespace
} // namespace velk::win32
