#pragma once
// The log file of a run that nobody may be watching: lines appended to a file, each stamped with
// the local time, and the few facts of the system that the log names.

#include <string>

namespace velk {

class LogFile {
  public:
    virtual ~LogFile() = default;

    // The folder for temporary files of the user the program runs as (for a service account the
    // system's), ending in a backslash; "" when the system names none.
    virtual std::string temporaryFolder() = 0;

    // Appends to the file at `path` from now on, making the file but not its folder; never
    // truncates it. False when it cannot be opened; then nothing is written.
    virtual bool open(const std::string& path) = 0;

    // Appends one line: the local time as "YYYY-MM-DD HH:MM:SS.mmm", one blank, `text` (UTF-8),
    // CR LF; handed to the system at once, so that a killed run leaves every line it wrote.
    // False when nothing could be written (no file open, a full disk).
    virtual bool writeLine(const std::string& text) = 0;

    // The system's own message for an error code, without its final line break and full stop.
    virtual std::string systemMessage(unsigned long error) = 0;

    // The running program's version as its version information states it; "" when it has none.
    virtual std::string programVersion() = 0;
};

} // namespace velk
