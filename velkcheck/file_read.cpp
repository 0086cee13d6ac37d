#include <algorithm>
#include <array>

#include "velkcheck/package_folder.h"

namespace velk::check {

FileRead readBounded(std::uint64_t size, std::size_t head,
                     const std::function<long long(char* buffer, std::size_t capacity)>& readSome) {
    if (size > kMaxFileBytes) {
        return {ReadStatus::TooLarge, {}};
    }
    // Up to one byte more than allowed, for a file that holds more than its size tells.
    const std::size_t limit = std::min(head, kMaxFileBytes + 1);
    FileRead result;
    std::array<char, 65536> buffer;
    while (result.bytes.size() < limit) {
        const long long got =
            readSome(buffer.data(), std::min(buffer.size(), limit - result.bytes.size()));
        if (got < 0) {
            return {ReadStatus::CannotRead, {}};
        }
        if (got == 0) {
            break;
        }
        result.bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    if (result.bytes.size() > kMaxFileBytes) {
        return {ReadStatus::TooLarge, {}};
    }
    return result;
}

std::string readProblem(ReadStatus status) {
    if (status == ReadStatus::NotAFile) {
        return "is not a regular file (a pipe or a device, say): it is not read";
    }
    if (status == ReadStatus::TooLarge) {
        return "is larger than 16 MiB, far more than it can be meant to be: it is not read";
    }
    return status == ReadStatus::CannotRead ? "cannot be read" : "";
}

} // namespace velk::check
