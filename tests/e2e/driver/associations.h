#pragma once
// File-type associations under HKEY_CLASSES_ROOT, and the recording program that stands in for
// associated programs and the text editor.
//
//   const FileAssociation zfb(".zfb", "ZullTest.Doc", recorderPath() + " \"%1\"");
//   RecordFile record(work() + "\\record.txt");   // what the recorder writes, while in scope

#include <windows.h>

#include <string>

namespace velk::e2e {

// The recording program built beside VelkInstall.exe: it appends its command line to the file
// named by %VELK_RECORD_FILE%.
std::string recorderPath();

// Sets the default value of a key under HKEY_CLASSES_ROOT (created when missing) to a text, or
// to a number, which is no text.
void setClassesRootDefault(const std::string& key, const std::string& value);
void setClassesRootDword(const std::string& key, DWORD value);

// A file type of the test's own: the extension's key names the type, whose open command is
// `command`. Both keys are removed before and again at the end.
class FileAssociation {
  public:
    FileAssociation(std::string extension, std::string type, const std::string& command);
    FileAssociation(const FileAssociation&) = delete;
    FileAssociation& operator=(const FileAssociation&) = delete;
    ~FileAssociation();

  private:
    void remove() const;
    std::string extension_;
    std::string type_;
};

// Sets %VELK_RECORD_FILE%, which the installer and every program it starts inherit, for the
// object's lifetime.
class RecordFile {
  public:
    explicit RecordFile(std::string path);
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace velk::e2e
