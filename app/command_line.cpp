#include "app/command_line.h"

#include <array>
#include <string_view>

#include "app/exit_code.h"
#include "package/text_compare.h"

namespace velk {

namespace {

enum class Switch { Install, Remove, Quiet, Passive, Dir, Lang, Log, Wait, Help };

struct SwitchName {
    const char* name;
    Switch meaning;
    bool takesValue;
};

constexpr std::array<SwitchName, 10> kSwitches{{
    {"install", Switch::Install, false},
    {"remove", Switch::Remove, false},
    {"quiet", Switch::Quiet, false},
    {"passive", Switch::Passive, false},
    {"dir", Switch::Dir, true},
    {"lang", Switch::Lang, true},
    {"log", Switch::Log, true},
    {"wait", Switch::Wait, true},
    {"?", Switch::Help, false},
    {"help", Switch::Help, false},
}};

// An argument taken apart: the switch's name after "/" or "-", and the value after the first
// "=" or ":" when there is one.
struct Argument {
    const SwitchName* known = nullptr;
    std::string_view name;
    std::optional<std::string_view> value;
};

Argument parse(std::string_view text) {
    Argument argument;
    if (text.empty() || (text.front() != '/' && text.front() != '-')) {
        return argument;
    }
    text.remove_prefix(1);
    const std::size_t separator = text.find_first_of("=:");
    argument.name = text.substr(0, separator);
    if (separator != std::string_view::npos) {
        argument.value = text.substr(separator + 1);
    }
    for (const SwitchName& known : kSwitches) {
        if (sameTextAscii(argument.name, known.name)) {
            argument.known = &known;
        }
    }
    return argument;
}

// Sets `slot` to `value`, unless the command line said something else there before: then the
// command line is bad, and `error` says so (the first problem found is the one reported).
template <typename T>
void take(std::optional<T>& slot, const T& value, const std::string& what, std::string& error) {
    if (slot && *slot != value && error.empty()) {
        error = "it names " + what + " twice, differently";
    }
    slot = value;
}

template <typename T>
void takeChoice(T& slot, T value, const std::string& conflict, std::string& error) {
    if (slot != T::None && slot != value && error.empty()) {
        error = conflict;
    }
    slot = value;
}

} // namespace

std::optional<unsigned> waitSeconds(const std::string& text) {
    if (text.empty() || text.size() > 6) {
        return std::nullopt;
    }
    unsigned seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        seconds = seconds * 10 + static_cast<unsigned>(c - '0');
    }
    if (seconds > kLongestWaitInUse) {
        return std::nullopt;
    }
    return seconds;
}

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (const std::string& text : arguments) {
        line.read = line.read || parse(text).known != nullptr;
    }
    if (!line.read) {
        return line;
    }
    std::string& error = line.error;
    const auto fail = [&error](const std::string& why) {
        if (error.empty()) {
            error = why;
        }
    };
    for (const std::string& text : arguments) {
        const Argument argument = parse(text);
        if (argument.known == nullptr) {
            fail("\"" + text + "\" is " +
                 (text.empty() || (text.front() != '/' && text.front() != '-')
                      ? std::string("not a switch")
                      : std::string("not a switch this program knows")));
            continue;
        }
        const std::string name = "/" + std::string(argument.known->name);
        if (!argument.known->takesValue) {
            if (argument.value) {
                fail(name + " takes no value: \"" + text + "\"");
            }
        } else if (!argument.value || argument.value->empty()) {
            fail(name + " needs a value after \"=\": \"" + text + "\"");
            continue;
        }
        const std::string value(argument.value.value_or(std::string_view()));
        switch (argument.known->meaning) {
        case Switch::Install:
            takeChoice(line.action, CommandLine::Action::Install,
                       "/install and /remove exclude each other", error);
            break;
        case Switch::Remove:
            takeChoice(line.action, CommandLine::Action::Remove,
                       "/install and /remove exclude each other", error);
            break;
        case Switch::Quiet:
            takeChoice(line.display, CommandLine::Display::Quiet,
                       "/quiet and /passive exclude each other", error);
            break;
        case Switch::Passive:
            takeChoice(line.display, CommandLine::Display::Passive,
                       "/quiet and /passive exclude each other", error);
            break;
        case Switch::Dir:
            take(line.dir, value, "the target folder (/dir)", error);
            break;
        case Switch::Lang:
            take(line.language, value, "the default language (/lang)", error);
            break;
        case Switch::Log:
            take(line.log, value, "the log (/log)", error);
            break;
        case Switch::Wait:
            if (const std::optional<unsigned> seconds = waitSeconds(value)) {
                take(line.waitInUse, *seconds, "the wait for files in use (/wait)", error);
            } else {
                fail("/wait needs a number of seconds from 0 to " +
                     std::to_string(kLongestWaitInUse) + ": \"" + text + "\"");
            }
            break;
        case Switch::Help:
            line.help = true;
            break;
        }
    }
    return line;
}

std::string commandLineHelp() {
    std::string text =
        "VelkInstall [/install | /remove] [/quiet | /passive] [/dir=FOLDER] [/lang=LANGUAGE] "
        "[/log=FILE] [/wait=SECONDS]\r"
        "\r"
        "/install: install the library (the default of a quiet or passive run)\r"
        "/remove: remove the library installed in the target folder\r"
        "/quiet: no window and no message box; every question answered Yes, each box's text "
        "logged\r"
        "/passive: the window shows the progress only, asks nothing and closes at the end\r"
        "/dir=FOLDER: the target folder (else the folder the window offers)\r"
        "/lang=LANGUAGE: the default language\r"
        "/log=FILE: the log the run appends to (else VelkInstall.log in the temporary folder)\r"
        "/wait=SECONDS: how long an unattended run waits for files in use (0 to " +
        std::to_string(kLongestWaitInUse) +
        ")\r"
        "/? or /help: this text\r"
        "\r"
        "Switches in any letter case, with / or -, a value after = or :, quoted when it holds "
        "blanks. They win over the unattended-install key's values.\r"
        "\r"
        "Exit codes (code - meaning - what a deployment does - winget's name):\r";
    for (const ExitCodeMeaning& row : kExitCodes) {
        text += std::to_string(row.code) + " - " + row.help + " - " + row.deployment +
                (*row.winget != '\0' ? std::string(" - ") + row.winget : std::string()) + "\r";
    }
    text.pop_back();
    return text;
}

} // namespace velk
