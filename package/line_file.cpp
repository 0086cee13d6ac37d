#include "package/line_file.h"

#include <cstdint>
#include <utility>

namespace velk {

namespace {

// How much is written or read at once.
constexpr std::size_t kPiece = 64 * 1024;
// The error of a file whose last line is cut short (ERROR_HANDLE_EOF).
constexpr unsigned long kErrorHandleEof = 38;

} // namespace

FsResult LineWriter::create(FileSystem& files, const std::string& path,
                            std::optional<LineWriter>& writer) {
    std::unique_ptr<FileWriter> file;
    const FsResult created = files.createNewFile(path, file);
    if (created) {
        writer.emplace(LineWriter(std::move(file)));
    }
    return created;
}

FsResult LineWriter::add(std::string_view line) {
    buffer_ += line;
    buffer_ += '\n';
    return buffer_.size() >= kPiece ? drain() : FsResult();
}

FsResult LineWriter::finish() {
    FsResult result = drain();
    if (result) {
        result = file_->flush();
    }
    file_.reset();
    return result;
}

FsResult LineWriter::drain() {
    const FsResult written = buffer_.empty() ? FsResult() : file_->write(buffer_);
    buffer_.clear();
    return written;
}

FsResult eachLine(FileSystem& files, const std::string& path,
                  const std::function<bool(std::string_view)>& visit) {
    std::string text;
    std::uint64_t next = 0;
    std::uint64_t size = 1;
    while (next < size) {
        std::string piece;
        const FsResult read = files.readFilePiece(path, SIZE_MAX, next, kPiece, piece, size);
        if (!read) {
            return read;
        }
        if (piece.empty()) {
            break;
        }
        next += piece.size();
        text += piece;
        std::size_t from = 0;
        for (auto cut = text.find('\n'); cut != std::string::npos; cut = text.find('\n', from)) {
            if (!visit(std::string_view(text).substr(from, cut - from))) {
                return {};
            }
            from = cut + 1;
        }
        text.erase(0, from);
    }
    return text.empty() ? FsResult() : FsResult::failure(kErrorHandleEof);
}

} // namespace velk
