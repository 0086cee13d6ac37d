#include "package/folder_names.h"

#include <algorithm>

namespace velk {

namespace {

// FNV-1a of the name with ASCII letters upper-cased and each character beyond ASCII (its UTF-8
// lead byte) as one mark: names equal but for letter case hash alike.
std::uint64_t foldedHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            if (byte < 0xC0) {
                continue; // a continuation byte: its character was marked at its lead byte
            }
            byte = 0x80;
        } else if (byte >= 'a' && byte <= 'z') {
            byte = static_cast<unsigned char>(byte - 'a' + 'A');
        }
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

} // namespace

FolderNames FolderNames::read(FileSystem& files, const std::string& folder, FsResult& listed) {
    FolderNames names;
    listed = files.enumerate(folder + "\\*.*", [&names](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") {
            names.hashes_.push_back(foldedHash(entry.name));
        }
    });
    if (!listed) {
        names.hashes_.clear();
        return names;
    }
    std::sort(names.hashes_.begin(), names.hashes_.end());
    names.hashes_.shrink_to_fit();
    names.listed_ = true;
    return names;
}

bool FolderNames::mayHold(std::string_view name) const {
    return !listed_ || std::binary_search(hashes_.begin(), hashes_.end(), foldedHash(name));
}

} // namespace velk
