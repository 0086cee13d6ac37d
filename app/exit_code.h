#pragma once
// The program's exit codes, which tell a deployment tool the outcome of a run, and what each
// one means, as the run log's last line says it.

#include <string>

namespace velk {

// Unscoped, so that an exit code is the number the process ends with.
enum ExitCode : int {
    kExitInstalled = 0,    // the installation ran to its end with every file
    kExitFailed = 1,       // files failed, and what had been changed was undone
    kExitNotInstalled = 2, // the program ended without either
    kExitNotRestored = 3,  // files failed, and the undo could not restore every one
    // Files to be replaced or removed were still in use when the wait for them ended: nothing
    // was changed.
    kExitFilesInUse = 4,
    // Another installation or removal runs in the target: nothing was changed. The number is the
    // one deployment tools know for "another installation is in progress" and try again later.
    kExitAnotherRun = 1618,
    // The command line is bad (an unknown switch, a missing value, switches that exclude each
    // other): nothing was done. The number is the system's "the parameter is incorrect".
    kExitBadCommandLine = 87,
};

// What `exitCode` tells whoever started the program.
inline std::string exitMeaning(int exitCode) {
    switch (exitCode) {
    case kExitInstalled:
        return "the library was installed";
    case kExitFailed:
        return "files failed, and what had been changed was undone";
    case kExitNotInstalled:
        return "nothing was installed";
    case kExitNotRestored:
        return "files failed, and the undo could not restore all of them";
    case kExitFilesInUse:
        return "files in use: nothing was changed; try again when the programs that hold them "
               "have ended";
    case kExitAnotherRun:
        return "another installation or removal is running in the target folder, nothing was "
               "changed";
    case kExitBadCommandLine:
        return "the command line is bad, nothing was done";
    default:
        return "the program ends";
    }
}

} // namespace velk
