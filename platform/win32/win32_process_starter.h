#pragma once
// Starts programs; the command line is UTF-8.

#include "platform/process_starter.h"

namespace velk::win32 {

class Win32ProcessStarter : public ProcessStarter {
  public:
    // Where the program runs elevated and the desktop's shell runs, the command line's program is
    // started through the shell with its arguments and the current folder (desktop_shell.h): it
    // then runs with the rights of the user who owns the desktop, not with an administrator's,
    // and nothing waits for it. Otherwise, or when that cannot be done, the command line is
    // started with CreateProcessW as a detached process, waiting at most 10 s for it to be
    // ready for input.
    void startProgram(const std::string& commandLine) override;
};

} // namespace velk::win32
