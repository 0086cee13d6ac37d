#pragma once
// Programs started with the rights of the user who owns the desktop, not with the program's own:
// an elevated program hands them to the desktop's shell, whose child they then are.

#include <optional>
#include <string>

namespace velk::win32 {

// True when the program runs with an elevated token (an administrator's full rights).
bool runningElevated();

// True when the desktop's shell runs (it has registered its window as the shell window).
bool desktopShellRuns();

struct ProgramAndArguments {
    std::wstring program;   // the program's full path, as found
    std::wstring arguments; // the rest of the command line, as written
};

// Takes a command line apart as the system does when it starts one: a program name in double
// quotes ends at the closing quote; an unquoted one is the shortest run of blank-separated words
// that names an existing file (".exe" added to a name without an extension; a name without a
// folder searched where the system searches it). The arguments are what follows, their quoting
// kept, without the blanks between. Nothing when no program of that name is found, or when it is
// no program file (".exe" or ".com"), which the shell would open rather than run.
std::optional<ProgramAndArguments> splitCommandLine(const std::wstring& commandLine);

// How long finding the desktop's shell and handing it the program may take in all.
inline constexpr unsigned long kDesktopShellBoundMs = 3000;

enum class ShellStart {
    Started,   // the shell said that it started the program
    Failed,    // the shell, or a part of the way to it, could not be had: nothing was started
    NoAnswer,  // the bound passed before the program was handed to the shell: nothing was, nor
               // will be, started through it
    Unanswered // the bound passed while the shell had the program: it may still start it
};

// Starts `program` with `arguments` in `folder` through the automation object of the desktop's
// shell window (IShellDispatch2::ShellExecute, "open", shown normally), so that it runs as a
// child of the shell with the desktop user's rights. COM runs on a thread of its own, in an
// apartment of its own, so that the calling thread's windows see none of it; this waits for that
// thread at most `boundMs`. A thread still waiting for the shell after the bound is left to end
// when the shell answers (or with the process): whatever it learns then is ignored, and once the
// bound has passed it no longer hands the program to the shell.
ShellStart startThroughDesktopShell(const std::wstring& program, const std::wstring& arguments,
                                    const std::wstring& folder,
                                    unsigned long boundMs = kDesktopShellBoundMs);

} // namespace velk::win32
