#pragma once
// Files in use found by opening each for its deletion (what a move or replacement asks for), and
// the programs that hold them named by the Restart Manager (rstrtmgr.dll, loaded from the system
// folder on first use). The Restart Manager is asked only for names: it is never told to close
// anything.

#include "platform/files_in_use.h"

namespace velk::win32 {

class Win32FilesInUse : public FilesInUse {
  public:
    FilesHeld check(const std::vector<std::string>& paths) override;
    void pause(unsigned ms) override;
};

// The programs that hold any of `paths` open, as the Restart Manager names them; empty where it
// names none or cannot be asked.
std::vector<FileHolder> programsHolding(const std::vector<std::string>& paths);

} // namespace velk::win32
