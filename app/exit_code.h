#pragma once
// The program's exit codes, which tell a deployment tool the outcome of a run: one table says
// what each means, as the run log's last line and the help (/?) say it, what a deployment tool
// does with it, and winget's name for it.

#include <array>
#include <string>

namespace velk {

// Unscoped, so that an exit code is the number the process ends with.
enum ExitCode : int {
    kExitInstalled = 0,
    kExitFailed = 1,
    kExitNotInstalled = 2,
    kExitNotRestored = 3,
    kExitFilesInUse = 4,
    kExitBadCommandLine = 87, // the system's "the parameter is incorrect"
    // The number deployment tools know for "another installation is in progress", which they
    // try again later.
    kExitAnotherRun = 1618,
};

struct ExitCodeMeaning {
    ExitCode code;
    const char* logged; // as the run log's last line says it
    const char* help;   // as /? says it, for an installation or a removal
    const char* deployment;
    const char* winget; // winget's return response; "" for none
};

inline constexpr std::array<ExitCodeMeaning, 7> kExitCodes{{
    {kExitInstalled, "the library was installed", "installed (or removed) with every file",
     "success", ""},
    {kExitFailed, "files failed, and what had been changed was undone",
     "files failed; everything changed was undone", "fails", ""},
    {kExitNotInstalled, "nothing was installed", "nothing was installed (or removed)",
     "fails; the log says why", ""},
    {kExitNotRestored, "files failed, and the undo could not restore all of them",
     "files failed; the undo could not restore every one", "fails; repair the target", ""},
    {kExitFilesInUse,
     "files in use: nothing was changed; try again when the programs that hold them have ended",
     "files in use: nothing was changed; try again when the programs that hold them have ended",
     "retries later", "fileInUse"},
    {kExitBadCommandLine, "the command line is bad, nothing was done",
     "bad command line: nothing was done", "fails", "invalidParameter"},
    {kExitAnotherRun,
     "another installation or removal is running in the target folder, nothing was changed",
     "another installation or removal runs in the target: nothing was changed", "retries later",
     "installInProgress"},
}};

// What `exitCode` tells whoever started the program, as the run log says it.
inline std::string exitMeaning(int exitCode) {
    for (const ExitCodeMeaning& row : kExitCodes) {
        if (row.code == exitCode) {
            return row.logged;
        }
    }
    return "the program ends";
}

} // namespace velk
