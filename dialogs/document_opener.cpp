#include "dialogs/document_opener.h"

namespace velk {

namespace {

const char* const kDocumentPlaceholder = "%1";
const char* const kSystemRoot = "%SystemRoot%";

// A path handed on as an argument of its own: quoted, so that blanks in it keep it one
// argument.
std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

// The folder a document lies in: its path up to the last backslash.
std::string folderOf(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string fileExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    const auto separator = path.find_last_of("\\:");
    if (separator != std::string::npos && separator > dot) {
        return {};
    }
    return path.substr(dot);
}

std::string DocumentOpener::findOpenCommand(const std::string& path) {
    std::string typeName;
    // An empty extension opens the root key itself, whose default value is normally unset.
    if (auto extensionKey = registry_.openClassesRoot(fileExtension(path))) {
        typeName = extensionKey->readString("");
    }
    if (typeName.empty()) {
        return {};
    }
    auto commandKey = registry_.openClassesRoot(typeName + "\\Shell\\Open\\Command");
    return commandKey ? commandKey->readString("") : std::string();
}

void DocumentOpener::openDocument(const std::string& path) {
    startFolder_ = folderOf(path);
    std::string command = findOpenCommand(path);
    if (command.empty()) {
        openWithNotepad(path);
        return;
    }
    const auto placeholder = command.find(kDocumentPlaceholder);
    if (placeholder == std::string::npos || placeholder == 0) {
        // No place for the document in the command: it goes after it, used as read.
        runCommand(command, quoted(path));
        return;
    }
    // A "%1" that the command already encloses in quotes takes the bare path: quoting it again
    // would leave the path outside any quotes and split it at its blanks.
    const bool alreadyQuoted = command[placeholder - 1] == '"' &&
                               placeholder + 2 < command.size() && command[placeholder + 2] == '"';
    command.replace(placeholder, 2, alreadyQuoted ? path : quoted(path));
    if (command.starts_with(kSystemRoot)) {
        command.replace(0, std::char_traits<char>::length(kSystemRoot), files_.windowsFolder());
    }
    runCommand(command, "");
}

void DocumentOpener::openWithNotepad(const std::string& path) {
    startFolder_ = folderOf(path);
    runCommand(files_.windowsFolder() + "\\notepad.exe", quoted(path));
}

void DocumentOpener::runCommand(const std::string& program, const std::string& argument) {
    startProgram(argument.empty() ? program : program + " " + argument);
}

void DocumentOpener::startProgram(const std::string& commandLine) {
    processes_.startProgram(commandLine, startFolder_);
}

} // namespace velk
