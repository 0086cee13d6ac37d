#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "platform/text_decoding.h"
#include "velkcheck/package_folder.h"

namespace velk::check {

const char kSeparator = '/';

std::string joinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != kSeparator) {
        path += kSeparator;
    }
    path.append(name);
    return path;
}

namespace {

// An open folder listing and an open file, closed when they go out of scope.
struct CloseFolder {
    void operator()(DIR* dir) const { closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, CloseFolder>;

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

struct Listed {
    ino_t inode;
    std::size_t index;
    unsigned char type;
};

// Completes the entries listed in `order` from `begin` to `end`: folders need nothing more;
// files need their size and whether they may be read (a file that is not empty: installation
// copies it), and links and entries of unknown kind what they lead to. Asking relative to the
// open folder spares resolving its path again.
void statEntries(int folder, std::vector<Entry>& entries, const std::vector<Listed>& order,
                 std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
        const Listed& listed = order[i];
        if (listed.type == DT_DIR) {
            continue;
        }
        Entry& entry = entries[listed.index];
        struct stat status {};
        if (listed.type == DT_UNKNOWN) {
            entry.link = fstatat(folder, entry.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                         S_ISLNK(status.st_mode);
        }
        const int flags = listed.type == DT_REG ? AT_SYMLINK_NOFOLLOW : 0;
        if (fstatat(folder, entry.name.c_str(), &status, flags) == 0) {
            entry.isFolder = S_ISDIR(status.st_mode);
            entry.size = entry.isFolder ? 0 : static_cast<std::uint64_t>(status.st_size);
            // A file that everyone may read by its mode needs no question (most files; asking
            // for each would cost a large package a third more time); of any other, the system
            // knows whether this process may read it.
            entry.readable = entry.isFolder || entry.size == 0 || (status.st_mode & S_IROTH) != 0 ||
                             faccessat(folder, entry.name.c_str(), R_OK, AT_EACCESS) == 0;
        }
    }
}

} // namespace

std::optional<std::vector<Entry>> listFolder(const std::string& path) {
    const UniqueDir dir(opendir(path.c_str()));
    if (!dir) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    std::vector<Listed> order;
    for (;;) {
        // A listing ends normally only at its last entry: a read error is no end.
        errno = 0;
        const dirent* found = readdir(dir.get());
        if (found == nullptr) {
            if (errno != 0) {
                return std::nullopt;
            }
            break;
        }
        const std::string_view name = found->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        order.push_back(Listed{found->d_ino, entries.size(), found->d_type});
        Entry entry{std::string(name), found->d_type == DT_DIR, 0};
        entry.link = found->d_type == DT_LNK;
        entries.push_back(std::move(entry));
    }
    // The sizes take one call each, which costs far more than the listing. In the order of the
    // entries' inodes the system finds them faster than in the listing's order, and a large
    // folder is statted by several threads at once.
    std::sort(order.begin(), order.end(),
              [](const Listed& a, const Listed& b) { return a.inode < b.inode; });
    constexpr std::size_t kPerThread = 4096;
    const std::size_t threads = std::min<std::size_t>(
        {std::max(1u, std::thread::hardware_concurrency()), 8, order.size() / kPerThread + 1});
    const std::size_t share = order.size() / threads + 1;
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
        helpers.emplace_back(statEntries, dirfd(dir.get()), std::ref(entries), std::cref(order),
                             std::min(order.size(), t * share),
                             std::min(order.size(), (t + 1) * share));
    }
    statEntries(dirfd(dir.get()), entries, order, 0, std::min(order.size(), share));
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return entries;
}

bool isFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string finalPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&free)> place(realpath(path.c_str(), nullptr), &free);
    return place ? std::string(place.get()) : std::string();
}

FileRead readFile(const std::string& path, std::size_t head) {
    // A pipe would not open until something writes to it, and a device may never end: only a
    // regular file is opened, and that it still is one is checked again once it is open.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return {ReadStatus::CannotRead, {}};
    }
    if (!S_ISREG(status.st_mode)) {
        return {ReadStatus::NotAFile, {}};
    }
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0 || fstat(file.get(), &status) != 0) {
        return {ReadStatus::CannotRead, {}};
    }
    if (!S_ISREG(status.st_mode)) {
        return {ReadStatus::NotAFile, {}};
    }
    return readBounded(static_cast<std::uint64_t>(status.st_size), head,
                       [&file](char* buffer, std::size_t capacity) {
                           return static_cast<long long>(read(file.get(), buffer, capacity));
                       });
}

namespace {

// The C library's Unicode case mapping, whatever locale the process runs in.
locale_t unicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

} // namespace

std::string foldName(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        const auto lead = static_cast<unsigned char>(name[pos]);
        if (lead < 0x80) {
            folded += lead >= 'a' && lead <= 'z' ? static_cast<char>(lead - 'a' + 'A')
                                                 : static_cast<char>(lead);
            ++pos;
            continue;
        }
        // A well-formed sequence is folded as its character; any other byte is kept as it is.
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
        bool valid = length > 1 && pos + length <= name.size();
        for (std::size_t i = 1; valid && i < length; ++i) {
            const auto next = static_cast<unsigned char>(name[pos + i]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            folded += name[pos];
            ++pos;
            continue;
        }
        const locale_t locale = unicodeLocale();
        const wint_t upper = locale != locale_t{} ? towupper_l(static_cast<wint_t>(c), locale) : c;
        appendUtf8(folded, static_cast<char32_t>(upper));
        pos += length;
    }
    return folded;
}

std::string ansiToUtf8(std::string_view text) {
    return windows1252ToUtf8(text);
}

} // namespace velk::check
