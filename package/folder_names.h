#pragma once
// The names a folder held when it was listed, read once and kept small: each name as an 8-byte
// hash of its case-folded form, so that 100,000 names take under 1 MiB. A name whose hash is not
// there was not in the listing, and is never asked for on the disk (under Wine each question for
// a name that is not there reads the whole folder); a name whose hash is there may be, and is
// asked for by its name. Names that Windows takes for one (letter case aside) fold to one hash:
// letters beyond ASCII fold to one mark each, so that no case-insensitive match is ever missed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace velk {

class FolderNames {
  public:
    // Reads the listing of `folder` whole. On failure (a folder that is not there, or cannot be
    // listed to its end) it holds nothing and may hold any name.
    static FolderNames read(FileSystem& files, const std::string& folder, FsResult& listed);
    // Knows no folder: every name may be there.
    FolderNames() = default;

    // False when the listing held no entry of that name; true when it may have.
    bool mayHold(std::string_view name) const;

  private:
    std::vector<std::uint64_t> hashes_; // sorted
    bool listed_ = false;
};

} // namespace velk
