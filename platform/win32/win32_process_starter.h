#pragma once
// Starts programs; the command line is UTF-8.

#include "platform/log_file.h"
#include "platform/process_starter.h"

namespace velk::win32 {

class Win32ProcessStarter : public ProcessStarter {
  public:
    // `log`: the run log, told when the desktop's shell failed to start a program or did not
    // answer in time (lines reach it only while it is open); null: told nowhere.
    explicit Win32ProcessStarter(LogFile* log = nullptr) : log_(log) {}

    // Where the program runs elevated and the desktop's shell runs, the command line's program is
    // started through the shell with its arguments and the current folder (desktop_shell.h): it
    // then runs with the rights of the user who owns the desktop, not with an administrator's,
    // and nothing waits for it. Otherwise, or when the shell fails or has not answered within
    // kDesktopShellBoundMs before it was handed the program, the command line is started with
    // CreateProcessW as a detached process, waiting at most 10 s for it to be ready for input.
    // Throughout, the calling thread's windows repaint (window_messages.h).
    // A shell that was handed the program but has not answered within the bound is left to start
    // it: starting it here too could start it twice.
    void startProgram(const std::string& commandLine, const std::string& folder) override;

  private:
    void note(const std::string& text);

    LogFile* log_;
};

} // namespace velk::win32
