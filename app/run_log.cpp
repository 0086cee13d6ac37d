#include "app/run_log.h"

#include "app/exit_code.h"

#include <exception>
#include <set>

#include "package/install_report.h"
#include "platform/printable_text.h"
#include "platform/registry.h"

namespace velk {

namespace {

// A box's text (or the system's message) on one line of the log: the carriage returns that join
// its lines, alone or followed by a line feed, become " | ". Anything else that would break the
// line is left to write(), which escapes it.
std::string oneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            line += " | ";
        } else {
            line += text[i];
        }
    }
    return line;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The path, and the system's own message for its error where there was one.
std::string failureLine(LogFile& file, const std::string& what,
                        const FailureList::Failure& failure) {
    std::string line = what + failure.path;
    const std::string reason = failureReason(failure);
    if (!reason.empty()) {
        line += ": " + oneLine(reason) +
                (failure.error != 0 ? " (error " + std::to_string(failure.error) + ")" : "");
    } else if (failure.error != 0) {
        const std::string message = oneLine(file.systemMessage(failure.error));
        line += ": " + (message.empty() ? std::string("system error") : message) + " (error " +
                std::to_string(failure.error) + ")";
    }
    return line;
}

} // namespace

std::string RunLog::readSetting(RegistryKey& key, const std::string& name) {
    keyFound_ = true;
    if (!settings_.empty()) {
        settings_ += ", ";
    }
    try {
        std::string value = key.readString(name);
        settings_ += name + " " + quoted(value);
        if (name == "Log") {
            logSetting_ = value;
        }
        return value;
    } catch (const std::exception& error) {
        settings_ += name + " cannot be read (" + error.what() + ")";
        throw;
    }
}

void RunLog::commandLine(const std::vector<std::string>& arguments, const CommandLine& line) {
    arguments_.clear();
    for (const std::string& argument : arguments) {
        const bool blanks = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        arguments_ += (arguments_.empty() ? "" : " ") + (blanks ? quoted(argument) : argument);
    }
    if (!arguments_.empty() && !line.read) {
        arguments_ += " (not read: none of its words is a switch of this program)";
    }
    logSwitch_ = line.log.value_or(std::string());
}

void RunLog::start(const std::string& packageFolder, bool anybodyAtDesktop,
                   CommandLine::Display display) {
    if (started_ || file_ == nullptr) {
        return;
    }
    started_ = true;
    const std::string defaultLog = file_->temporaryFolder() + kDefaultName;
    const std::string& named = logSwitch_.empty() ? logSetting_ : logSwitch_;
    std::string couldNotOpen;
    if (!named.empty() && !file_->open(named)) {
        couldNotOpen = named;
    }
    if ((named.empty() || !couldNotOpen.empty()) && !file_->open(defaultLog)) {
        return; // nowhere to write: the run goes on without a log
    }

    const std::string version = file_->programVersion();
    write("VelkInstall " + (version.empty() ? std::string("(no version information)") : version) +
          " starts in the package folder " + quoted(packageFolder));
    const std::string key = std::string("the unattended-install key HKEY_LOCAL_MACHINE\\") +
                            kUnattendedKey + " (32-bit view)";
    write(keyFound_ ? "Settings read from " + key + ": " + settings_
                    : "No settings from " + key + ": the key does not exist or cannot be read");
    if (!arguments_.empty()) {
        write("Command line: " + arguments_);
    }
    if (!couldNotOpen.empty()) {
        write(std::string("The log named by ") + (logSwitch_.empty() ? "\"Log\"" : "/log") +
              " cannot be opened: " + quoted(couldNotOpen) + "; this log is written instead");
    }
    const char* const answered =
        "no message box is shown, each counts as answered with OK and each question as answered "
        "Yes";
    switch (display) {
    case CommandLine::Display::Quiet:
        write(std::string("A quiet run (/quiet): no window and ") + answered);
        break;
    case CommandLine::Display::Passive:
        write(std::string("A passive run (/passive): the window shows the progress only, ") +
              answered);
        break;
    case CommandLine::Display::None:
        write(anybodyAtDesktop
                  ? "The desktop is visible: message boxes are shown"
                  : "Nobody is at the desktop (the window station is not visible): no message "
                    "box is shown, each counts as answered with OK");
        break;
    }
}

// The program's own words never hold a control character; what it puts between them (names,
// paths, the key's values, texts of the system) may. Escaped here, where every line passes,
// none of them can end the line early and start one that reads like the log's own.
void RunLog::write(const std::string& text) {
    if (started_) {
        file_->writeLine(printable(text)); // a line that cannot be written is passed over
    }
}

void RunLog::lines(const std::string& text) {
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\r', begin);
        end = end == std::string::npos ? text.size() : end;
        write(text.substr(begin, end - begin));
        begin = end + 1;
    }
}

std::string RunLog::logNamed() const {
    if (!logSwitch_.empty()) {
        return "log " + quoted(logSwitch_) + " (command line)";
    }
    if (!logSetting_.empty()) {
        return "log " + quoted(logSetting_) + " (unattended-install key)";
    }
    return std::string("log ") + kDefaultName + " in the temporary folder";
}

void RunLog::box(const std::string& kind, const std::string& text, bool shown) {
    write(kind + " box" + (shown ? std::string() : " (not shown)") + ": " + oneLine(text));
}

void RunLog::failed(const FailureList& failures) {
    if (!started_) {
        return;
    }
    for (const FailureList::Failure& failure : failures.all()) {
        write(failureLine(*file_, "Failed: ", failure));
    }
}

void RunLog::installation(const WorkOutcome& outcome, bool beforeAnyChange) {
    ending(outcome, "installation", "copied", "every change it had made was undone",
           beforeAnyChange);
}

void RunLog::removal(const WorkOutcome& outcome, bool beforeAnyChange) {
    ending(outcome, "removal", "removed", "every file it had moved was put back", beforeAnyChange);
}

// The failures, then how `operation` ended: its files `done` (copied, removed), or what its undo
// did and could not do, or that it stopped before it changed anything.
void RunLog::ending(const WorkOutcome& outcome, const std::string& operation,
                    const std::string& done, const std::string& undone, bool beforeAnyChange) {
    failed(outcome.failures);
    if (outcome.done()) {
        // An update copies only what changed: the files left in place are counted apart, and
        // the two numbers add up to the package's files.
        const std::string counted =
            outcome.unchanged == 0
                ? std::to_string(outcome.files) + " file(s) " + done
                : std::to_string(outcome.files - outcome.unchanged) + " file(s) " + done + " and " +
                      std::to_string(outcome.unchanged) +
                      " left in place, since they held the package's bytes already";
        write("The " + operation + " ran to its end: " + counted + ", 0 failed");
        return;
    }
    if (beforeAnyChange) {
        write("The " + operation + " stopped before its first change: " +
              std::to_string(outcome.failures.count()) + " file(s) in use, nothing was changed");
        return;
    }
    write("The " + operation + " failed: " + std::to_string(outcome.failures.count()) +
          " failed, so " + undone);
    if (outcome.notRestored.empty()) {
        write("The undo is complete: the target is as it was before");
        return;
    }
    for (const FailureList::Failure& failure : outcome.notRestored.all()) {
        write(failureLine(*file_, "Not restored: ", failure));
    }
    write("The undo could not restore " + std::to_string(outcome.notRestored.count()) + " path(s)");
}

int RunLog::end(int exitCode) {
    std::string meaning = exitMeaning(exitCode);
    if (operation_ == Operation::Removal && exitCode == kExitInstalled) {
        meaning = "the library was removed";
    } else if (operation_ == Operation::Removal && exitCode == kExitNotInstalled) {
        meaning = "nothing was removed";
    } else if (operation_ == Operation::Help && exitCode == kExitInstalled) {
        meaning = "the switches and exit codes were told";
    }
    write("The run ends, " + meaning + ": exit code " + std::to_string(exitCode));
    return exitCode;
}

void LoggedBoxes::error(const std::string& text) {
    log_.box("Error", text, seen());
    if (!forDeployment_) {
        boxes_.error(text);
    }
}

void LoggedBoxes::information(const std::string& text) {
    log_.box("Information", text, seen());
    if (!forDeployment_) {
        boxes_.information(text);
    }
}

bool LoggedBoxes::confirm(const std::string& text) {
    log_.box("Confirm", text, seen());
    if (forDeployment_) {
        log_.write("Answered Yes, as the deployment that asked for this run means it");
        return true;
    }
    const bool yes = boxes_.confirm(text);
    log_.write(yes ? "Answered Yes" : "Answered No");
    return yes;
}

bool LoggedBoxes::retry(const std::string& text) {
    log_.box("Retry", text, boxes_.seen());
    const bool again = boxes_.retry(text);
    log_.write(again ? "Answered Retry" : "Answered Cancel");
    return again;
}

void LoggedBoxes::errorReport(const std::string& text) {
    log_.box("Error report", text, seen());
    if (!forDeployment_) {
        boxes_.errorReport(text);
    }
}

void LoggedBoxes::showText(const std::string& caption, const std::string& text) {
    log_.box("Information", text, seen());
    if (!forDeployment_) {
        boxes_.showText(caption, text);
    }
}

} // namespace velk
