#pragma once
// Opens a document with the program that HKEY_CLASSES_ROOT associates with its extension, or
// with the system's text editor when there is none. Starting is fire-and-forget: nothing is
// reported, whether the program started or not.

#include <string>

#include "platform/platform.h"

namespace velk {

// The extension of a path: from its last "." to the end, dot included, where that "." comes
// after the last "\" and the last ":"; "" when there is none.
std::string fileExtension(const std::string& path);

class DocumentOpener {
  public:
    DocumentOpener(Registry& registry, FileSystem& files, ProcessStarter& processes)
        : registry_(registry), files_(files), processes_(processes) {}
    explicit DocumentOpener(Platform& platform)
        : DocumentOpener(platform.registry, platform.files, platform.processes) {}

    // The open command of the document's file type, as stored (nothing expanded), or "" when
    // there is no association. Throws AppError when a default value on the way is not text.
    std::string findOpenCommand(const std::string& path);

    // Starts the associated program for the document, else the text editor, in the document's
    // folder.
    void openDocument(const std::string& path);

    // Starts the text editor (the Windows folder + "\notepad.exe") with the quoted path.
    void openWithNotepad(const std::string& path);

    // Starts `program`, followed by one blank and `argument` when the argument is not empty.
    // Neither is quoted here.
    void runCommand(const std::string& program, const std::string& argument);

    void startProgram(const std::string& commandLine);

  private:
    Registry& registry_;
    FileSystem& files_;
    ProcessStarter& processes_;
    // The folder the program that opens a document starts in: the document's own, where the
    // package's documents lie, as it always was.
    std::string startFolder_;
};

} // namespace velk
