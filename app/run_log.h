#pragma once
// The log of an unattended run, and of a run that nobody at the desktop can use: what the program
// was asked, what it did and how it ended, for an administrator who has nothing else of a run on
// a machine far away. One line for each thing said, never one for each file copied. Nothing is
// written until the log is started; a log that cannot be opened or written changes nothing else.

#include <cstddef>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/log_file.h"
#include "platform/message_boxes.h"

namespace velk {

class FailureList;
class RegistryKey;
struct WorkOutcome;

// The registry key under HKEY_LOCAL_MACHINE (32-bit view) where whoever starts an unattended run
// leaves its settings.
inline constexpr const char* kUnattendedKey = "Software\\Velk-Marden\\dorvan5\\1.4\\Installer";

class RunLog {
  public:
    // The log's name in the temporary folder when the unattended-install key names no file.
    static constexpr const char* kDefaultName = "VelkInstall.log";

    // `file` null: no log is ever written.
    explicit RunLog(LogFile* file) : file_(file) {}

    // Reads a value of the unattended-install key and keeps it for the log. A value that cannot
    // be read is kept with its error, and the error passed on.
    std::string readSetting(RegistryKey& key, const std::string& name);

    // The program's arguments, for the log's first lines; `line` as read from them. Its /log
    // wins over the "Log" setting.
    void commandLine(const std::vector<std::string>& arguments, const CommandLine& line);

    // Opens the log (the file that /log or else the "Log" setting names, else kDefaultName in
    // the temporary folder; the latter too when the named one cannot be opened) and writes the
    // run's first lines: the program and its version, the package folder, the settings read and
    // where from, and whether anybody sees the boxes: a person at the desktop, nobody, or nobody
    // since the command line made the run quiet or passive. Only the first call does anything.
    void start(const std::string& packageFolder, bool anybodyAtDesktop,
               CommandLine::Display display = CommandLine::Display::None);
    bool started() const { return started_; }

    // One line, once the log is started. Control characters and bytes that are not UTF-8 in it
    // (from names, paths, the key's values) are written as "\xHH" (printable()), so that no text
    // from outside can break the line.
    void write(const std::string& text);
    // A text of several lines (joined by "\r"), one log line each.
    void lines(const std::string& text);
    // Where the log goes and who said so, as the settings' line names it.
    std::string logNamed() const;
    // A message box: its kind ("Error", "Confirm", ...), its text with its lines joined on one
    // line by " | ", and whether it was shown.
    void box(const std::string& kind, const std::string& text, bool shown);
    // The end of an installation: every file or folder that failed with the system's message
    // for it, then how many files were copied (and how many left in place), or, when anything
    // failed, that everything was undone and what the undo could not restore; or, when
    // `beforeAnyChange` (files in use stopped it), that nothing was changed.
    void installation(const WorkOutcome& outcome, bool beforeAnyChange = false);
    // The end of a removal, told as an installation's is.
    void removal(const WorkOutcome& outcome, bool beforeAnyChange = false);
    // What the run does, so that the last line tells its exit code in its terms.
    enum class Operation { Installation, Removal, Help };
    void operation(Operation operation) { operation_ = operation; }
    // The run's last line, which ends in "exit code N"; gives `exitCode` back.
    int end(int exitCode);

  private:
    void failed(const FailureList& failures);
    void ending(const WorkOutcome& outcome, const std::string& operation, const std::string& done,
                const std::string& undone, bool beforeAnyChange);

    LogFile* file_;
    bool started_ = false;
    bool keyFound_ = false;
    Operation operation_ = Operation::Installation;
    std::string logSetting_; // the "Log" value, where the log goes
    std::string logSwitch_;  // the command line's /log, which wins over it
    std::string arguments_;  // the command line as the log names it; empty: none
    std::string settings_;   // the values read, as the log names them
};

// Message boxes that go to the run log too, shown or not.
class LoggedBoxes : public MessageBoxes {
  public:
    LoggedBoxes(MessageBoxes& boxes, RunLog& log) : boxes_(boxes), log_(log) {}

    void error(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text) override;
    bool retry(const std::string& text) override;
    void errorReport(const std::string& text) override;
    void showText(const std::string& caption, const std::string& text) override;
    // Nobody sees the boxes when a deployment asked for a quiet or passive run.
    bool seen() override { return !forDeployment_ && boxes_.seen(); }

    // From now on no box is shown: each goes to the log only, counts as answered with OK, and a
    // question as answered Yes, as the deployment that asked for a quiet or passive run means it.
    void answerForDeployment() { forDeployment_ = true; }

  private:
    MessageBoxes& boxes_;
    RunLog& log_;
    bool forDeployment_ = false;
};

} // namespace velk
