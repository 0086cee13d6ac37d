#pragma once
// The program's command line, as deployment tools drive it: what to do (/install, /remove), how
// much to show (/quiet, /passive), where (/dir=), the default language (/lang=), the log
// (/log=), how long to wait for files in use (/wait=), and the help (/?, /help). Switches in any
// letter case, beginning with "/" or "-", a value after "=" or ":".
//
// A command line that holds none of these switches is not read at all: whoever starts the
// program may pass words it never read, and they change nothing. One that holds any of them is
// read whole, and anything in it that is not a switch, or not a valid one, makes it bad.

#include <optional>
#include <string>
#include <vector>

namespace velk {

// The longest wait for files in use that /wait= and the key's WaitInUse accept: a day.
inline constexpr unsigned kLongestWaitInUse = 24 * 60 * 60;
// How long an unattended run waits for files in use when nothing says otherwise, in seconds.
inline constexpr unsigned kDefaultWaitInUse = 60;

struct CommandLine {
    enum class Action { None, Install, Remove };
    // None: the command line says nothing about it (a window and boxes for a person).
    // Passive: the window shows the progress only; Quiet: no window. Neither shows a box.
    enum class Display { None, Passive, Quiet };

    bool read = false; // it holds one of the switches
    bool help = false;
    Action action = Action::None;
    Display display = Display::None;
    std::optional<std::string> dir;
    std::optional<std::string> language;
    std::optional<std::string> log;
    std::optional<unsigned> waitInUse; // seconds
    // Why the command line is bad, for the user; empty when it is good.
    std::string error;

    bool unattended() const { return display != Display::None; }
};

// Reads the program's arguments, the program's own name left out, each already split by the
// system's rules (quotes removed) and in UTF-8.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// Seconds to wait for files in use, as /wait= and the key's WaitInUse give them: decimal digits
// only, at most kLongestWaitInUse. Nothing when the text is no such number.
std::optional<unsigned> waitSeconds(const std::string& text);

// The switches and the exit codes, as /? shows them: lines joined by "\r".
std::string commandLineHelp();

} // namespace velk
