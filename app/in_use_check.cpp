// Files in use before the first change of an installation or removal: named with the programs
// that hold them, and either asked about (Retry or Cancel) or waited for. Programs are never
// closed for the user: one may hold unsaved work. Runs on the work's thread; the question goes
// to the window's thread, so that the window goes on answering while it waits.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/form_install.h"
#include "platform/passing_lock.h"

namespace velk {

namespace {

constexpr unsigned kCheckEveryMs = 1000;

// The names of the programs, each once, for the user: "another program" where the system names
// none of them.
std::string programNames(const std::vector<FileHolder>& programs) {
    std::vector<std::string> names;
    for (const FileHolder& program : programs) {
        if (!program.name.empty() &&
            std::find(names.begin(), names.end(), program.name) == names.end()) {
            names.push_back(program.name);
        }
    }
    if (names.empty()) {
        return "another program";
    }
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// The held files as failures of the run, each with the error a change of it would meet.
FailureList failuresOf(const FilesHeld& held) {
    FailureList failures;
    for (const std::string& file : held.files) {
        failures.add(file, kErrorSharingViolation);
    }
    return failures;
}

// Which of the files other programs hold, looked at batch by batch; each program once.
FilesHeld heldOf(FilesInUse& inUse, const PathBatches& files) {
    FilesHeld held;
    files([&](const std::vector<std::string>& batch) {
        FilesHeld some = inUse.check(batch);
        held.files.insert(held.files.end(), some.files.begin(), some.files.end());
        for (FileHolder& program : some.programs) {
            if (std::find(held.programs.begin(), held.programs.end(), program) ==
                held.programs.end()) {
                held.programs.push_back(std::move(program));
            }
        }
    });
    return held;
}

} // namespace

InUseCheck TFormInstall::inUseCheck(bool& waitedOut, bool& cancelled) {
    if (platform_.inUse == nullptr) {
        return {};
    }
    return [this, &waitedOut, &cancelled](const PathBatches& files) {
        FilesHeld held = heldOf(*platform_.inUse, files);
        if (held.empty()) {
            return FailureList();
        }
        const bool asked = platform_.boxes.seen() && !waitUnasked && !silentMode;
        if (asked ? askUntilLetGo(files, held) : waitUntilLetGo(files, held)) {
            return FailureList();
        }
        waitedOut = !asked;
        cancelled = asked;
        return failuresOf(held);
    };
}

// Somebody is at the desktop: Retry looks again, Cancel stops. True when the files were let go.
// A Retry that finds files still held says so in the box's first line.
// A lock that passes (a virus scanner that opened a file for a moment) is first waited for as a
// change waits for one, about two seconds for all the files together, so that nobody is asked
// about it.
bool TFormInstall::askUntilLetGo(const PathBatches& files, FilesHeld& held) {
    for (const unsigned ms : kPassingLockPausesMs) {
        if (held.empty()) {
            return true;
        }
        platform_.inUse->pause(ms);
        held = heldOf(*platform_.inUse, files);
    }
    for (bool retried = false; !held.empty(); retried = true) {
        const std::string text =
            (retried ? "Retry found the files still in use.\r" : "") +
            failuresOf(held).text("Files of the library are in use by " +
                                  programNames(held.programs) + ":") +
            "\rClose them in the programs that hold them, then choose Retry. Cancel stops, and "
            "nothing is changed.";
        bool again = false;
        onWindowThread([&] { again = platform_.boxes.retry(text); });
        if (!again) {
            return false;
        }
        held = heldOf(*platform_.inUse, files);
    }
    return true;
}

// Nobody can be asked: the files are looked at every second until they are let go or the wait
// is over, and the log names them and the programs that hold them. True when they were let go.
bool TFormInstall::waitUntilLetGo(const PathBatches& files, FilesHeld& held) {
    const unsigned seconds = waitInUse.value_or(kDefaultWaitInUse);
    runLog_.write(std::to_string(held.files.size()) + " file(s) in use by " +
                  programNames(held.programs) + ", waited for up to " + std::to_string(seconds) +
                  " s");
    for (unsigned waited = 0; waited < seconds && !held.empty(); ++waited) {
        platform_.inUse->pause(kCheckEveryMs);
        held = heldOf(*platform_.inUse, files);
    }
    if (held.empty()) {
        runLog_.write("The files in use were let go");
        return true;
    }
    for (const std::string& file : held.files) {
        runLog_.write("In use: " + file);
    }
    for (const FileHolder& program : held.programs) {
        runLog_.write("Held by " +
                      (program.name.empty() ? std::string("a program") : program.name) +
                      " (process ID " + std::to_string(program.processId) + ")");
    }
    if (held.programs.empty()) {
        runLog_.write("The system names no program that holds them");
    }
    return false;
}

} // namespace velk
