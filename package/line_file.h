#pragma once
// A file of text lines that the work writes and reads back in pieces of a bounded size, never
// holding it whole: what it must remember of each of thousands of files lies on the disk.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace velk {

// Writes lines to a new file through a buffer of a bounded size.
class LineWriter {
  public:
    // Creates the file at `path`, a name that is not taken.
    static FsResult create(FileSystem& files, const std::string& path,
                           std::optional<LineWriter>& writer);
    // Adds a line (without its line break, which `line` must not hold).
    FsResult add(std::string_view line);
    // Writes what is buffered, flushes the file to the disk and closes it.
    FsResult finish();

  private:
    explicit LineWriter(std::unique_ptr<FileWriter> file) : file_(std::move(file)) {}
    FsResult drain();

    std::unique_ptr<FileWriter> file_;
    std::string buffer_;
};

// Calls `visit` with every line of the file at `path`, in order, without its line break, reading
// the file in pieces; a false from `visit` stops. Fails when the file cannot be read, or when its
// last line has no line break.
FsResult eachLine(FileSystem& files, const std::string& path,
                  const std::function<bool(std::string_view)>& visit);

} // namespace velk
